#include "ui/settings.h"

#include <QLayout>
#include <QWidget>

#include "platform/folders.h"
#include "platform/profile.h"
#include "toolkit/control_text.h"
#include "toolkit/paint_manager.h"

namespace vesmar {
namespace {

constexpr std::size_t kLanguageNameLimit = 63;

std::mutex& TextMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

CSettings& CSettings::Instance() {
  static CSettings settings(ProgramFolder());
  return settings;
}

CSettings::CSettings(const std::filesystem::path& programFolder)
    : settingsFile_(programFolder / "config.ini"), languageFolder_(programFolder / "Languages") {
  language_ = QString::fromStdString(
      ReadProfileString(settingsFile_, "DefaultLanguage", "Default", "English", kLanguageNameLimit));
  LoadLanguageFile();
}

void CSettings::LoadLanguageFile() {
  std::lock_guard lock(TextMutex());
  table_.clear();
  const auto file = languageFolder_ / (language_.toStdString() + ".ini");
  for (const ProfileSection& section : ReadProfile(file)) {
    TextTable& texts = table_[QString::fromStdString(section.name)];
    for (const auto& [key, value] : section.lines) {
      texts.emplace(QString::fromStdString(key), QString::fromStdString(value));  // first wins
    }
  }
}

TextTable& CSettings::Section(const QString& name) {
  std::lock_guard lock(TextMutex());
  return table_[name];
}

QString CSettings::Text(TextTable& section, const QString& key) {
  std::lock_guard lock(TextMutex());
  return section[key];
}

TextTable CSettings::SectionCopy(const QString& name) {
  TextTable& section = Section(name);
  std::lock_guard lock(TextMutex());
  return section;
}

void CSettings::ApplySectionToWindow(const QString& name, QWidget* window) {
  for (const auto& [key, text] : SectionCopy(name)) {
    QWidget* control = CPaintManagerUI::FindSubControl(window, key);
    if (!control) continue;
    if (control->isEnabled()) {
      SetControlText(control, text);
    } else {
      control->setEnabled(true);
      SetControlText(control, text);
      control->setEnabled(false);
    }
    if (QWidget* parent = control->parentWidget()) {
      if (parent->layout()) parent->layout()->invalidate();
      parent->updateGeometry();
    }
  }
}

void CSettings::ApplySectionToPopUp(const QString& name, QWidget* window) {
  for (const auto& [key, text] : SectionCopy(name)) {
    if (QWidget* control = CPaintManagerUI::FindSubControl(window, key)) SetControlText(control, text);
  }
}

}  // namespace vesmar
