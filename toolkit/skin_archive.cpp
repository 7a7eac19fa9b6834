#include "toolkit/skin_archive.h"

#include <zip.h>

#include <memory>

extern "C" {
extern const unsigned char vesmar_skin_zip[];
extern const std::size_t vesmar_skin_zip_size;
}

namespace vesmar {
namespace {

// The skin is ours, but an archive is still read with limits.
constexpr zip_uint64_t kEntryLimit = 32u << 20;
constexpr zip_uint64_t kTotalLimit = 128u << 20;

QString NormalName(QString name) {
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
  return name;
}

}  // namespace

CSkinArchive& CSkinArchive::Instance() {
  static CSkinArchive archive = [] {
    CSkinArchive a;
    a.Open(vesmar_skin_zip, vesmar_skin_zip_size);
    return a;
  }();
  return archive;
}

bool CSkinArchive::Open(const void* data, std::size_t size) {
  entries_.clear();
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
  if (!source) {
    zip_error_fini(&error);
    return false;
  }
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
  zip_error_fini(&error);
  if (!archive) {
    zip_source_free(source);
    return false;
  }
  std::unique_ptr<zip_t, decltype(&zip_discard)> guard(archive, &zip_discard);
  zip_uint64_t total = 0;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    if (!(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE)) continue;
    const QString name = NormalName(QString::fromUtf8(st.name));
    if (name.endsWith(QLatin1Char('/')) || st.size > kEntryLimit) continue;
    total += st.size;
    if (total > kTotalLimit) break;
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
    if (!file) continue;
    QByteArray bytes(static_cast<qsizetype>(st.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(file, bytes.data(), st.size);
    zip_fclose(file);
    if (got != static_cast<zip_int64_t>(st.size)) continue;
    entries_.insert(name, bytes);
  }
  return true;
}

const QByteArray* CSkinArchive::Find(const QString& asked) const {
  const QString name = NormalName(asked);
  if (auto it = entries_.constFind(name); it != entries_.constEnd()) return &it.value();
  for (auto it = entries_.constBegin(); it != entries_.constEnd(); ++it) {
    if (it.key().compare(name, Qt::CaseInsensitive) == 0) return &it.value();
  }
  return nullptr;
}

QByteArray CSkinArchive::Read(const QString& name) const {
  const QByteArray* bytes = Find(name);
  return bytes ? *bytes : QByteArray();
}

bool CSkinArchive::Contains(const QString& name) const { return Find(name) != nullptr; }

}  // namespace vesmar
