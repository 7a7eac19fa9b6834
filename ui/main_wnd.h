// The main window: title row, the start page with the two sources, and the scan page. It owns
// the backup catalogue and the four pages, and hands the program's messages to them.
#pragma once

#include "recovery/itunes_backup.h"
#include "toolkit/window_base.h"
#include "ui/ios_device_vrt_wnd.h"
#include "ui/itunes_backup_vrt_wnd.h"
#include "ui/preview_vrt_wnd.h"
#include "ui/scan_vrt_wnd.h"
#include "ui/settings.h"

class QLabel;

namespace vesmar {

class CMainWnd : public WindowImplBase {
  Q_OBJECT
 public:
  static inline const QString kTitle = QStringLiteral("Vesmar iPhone Data Recovery");

  CMainWnd();
  ~CMainWnd() override;

  QString GetWindowClassName() const override { return QStringLiteral("FileRecoveryWnd"); }
  QString GetSkinFile() const override { return QStringLiteral("xml/skin.xml"); }

  // Builds the window and shows it centred, in its normal state.
  bool CreateAndShow();

  // When set (the default), the application's event loop ends once the window has closed.
  void SetQuitOnClose(bool quit) { quitOnClose_ = quit; }

  CItunesBackup& Backup() { return backup_; }
  CIosDeviceVrtWnd& DevicePage() { return devicePage_; }
  CItunesBackupVrtWnd& BackupPage() { return backupPage_; }
  CScanVrtWnd& ScanView() { return scanView_; }
  CPreviewVrtWnd& Preview() { return preview_; }

  void Notify(TNotifyUI& msg) override;

 protected:
  QWidget* CreateControl(const QString& className, QWidget* parent) override;
  void InitWindow() override;
  bool MessageFilter(QKeyEvent* event) override;
  void OnClick(TNotifyUI& msg) override;
  bool QueryClose(int code) override;
  bool HandleCustomMessage(unsigned message, quintptr wParam, qintptr lParam) override;
  void OnFinalMessage() override;

 private:
  void ApplyTexts();
  void OnSourceSelected(QWidget* sender);
  void OnScanEvent(unsigned event);
  void SelectMainPage(int index);

  CItunesBackup backup_;
  CIosDeviceVrtWnd devicePage_;
  CItunesBackupVrtWnd backupPage_;
  CScanVrtWnd scanView_;
  CPreviewVrtWnd preview_;
  TextTable* messages_ = nullptr;
  QLabel* productName_ = nullptr;
  QWidget* txtIosDevice1_ = nullptr;
  QWidget* txtIosDevice2_ = nullptr;
  QWidget* txtBackupFile1_ = nullptr;
  QWidget* txtBackupFile2_ = nullptr;
  bool quitOnClose_ = true;
};

}  // namespace vesmar
