// The skin: a zip archive of layouts, images and the style sheet, stored inside the executable.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstddef>

namespace vesmar {

class CSkinArchive {
 public:
  // The archive embedded at build time, opened on first use.
  static CSkinArchive& Instance();

  // Reads every entry of a zip archive held in memory; false when it is not a readable archive.
  bool Open(const void* data, std::size_t size);
  // Drops the entries (after the message loop ends).
  void Release() { entries_.clear(); }

  // Entry names use "/" and are matched exactly first, then ignoring letter case; a "\" in the
  // asked name counts as "/". An empty array when there is no such entry.
  QByteArray Read(const QString& name) const;
  bool Contains(const QString& name) const;
  QStringList Names() const { return entries_.keys(); }

 private:
  const QByteArray* Find(const QString& name) const;

  QHash<QString, QByteArray> entries_;
};

}  // namespace vesmar
