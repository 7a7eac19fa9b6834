// Settings and language tables: config.ini names the language, Languages/<name>.ini holds every
// text the windows show, by section and key.
#pragma once

#include <QString>

#include <filesystem>
#include <map>
#include <mutex>

class QWidget;

namespace vesmar {

// Key → text of one section, in key order.
using TextTable = std::map<QString, QString>;

class CSettings {
 public:
  // The process's settings, built from the program folder on first use.
  static CSettings& Instance();

  explicit CSettings(const std::filesystem::path& programFolder);

  // The section's table; a section the file lacks is added, empty. References stay valid.
  TextTable& Section(const QString& name);
  // The text of `key`; a missing key is added with an empty text, so it always reads empty.
  // Safe from worker threads.
  static QString Text(TextTable& section, const QString& key);
  // Shortcut for a key of "Messages".
  QString Message(const QString& key) { return Text(Section(QStringLiteral("Messages")), key); }

  const QString& CurrentLanguage() const { return language_; }
  const std::filesystem::path& SettingsFile() const { return settingsFile_; }
  const std::filesystem::path& LanguageFolder() const { return languageFolder_; }

  // Reads the language file again (empty table when it is missing).
  void LoadLanguageFile();

  // For each key of the section, in key order, the control of that name gets the text; a
  // disabled control is enabled for the change and disabled again; then its parent lays itself
  // out again. Keys without a control are ignored.
  void ApplySectionToWindow(const QString& section, QWidget* window);
  // The same without the enabling and without the new layout, for pop-up windows and menus.
  void ApplySectionToPopUp(const QString& section, QWidget* window);

 private:
  TextTable SectionCopy(const QString& name);

  std::filesystem::path settingsFile_;
  std::filesystem::path languageFolder_;
  QString language_;
  std::map<QString, TextTable> table_;
};

}  // namespace vesmar
