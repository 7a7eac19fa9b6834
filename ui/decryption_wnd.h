// The backup password dialog.
#pragma once

#include "ui/popup_wnd.h"

class QLineEdit;

namespace vesmar {

class CDecryptionWnd : public CPopUpWnd {
  Q_OBJECT
 public:
  enum Purpose { kDeviceBackup = 0, kBackupFile = 1 };

  CDecryptionWnd();
  QString GetWindowClassName() const override { return QStringLiteral("UIDecryptionWnd"); }

  void SetPurpose(int purpose) { purpose_ = purpose; }
  // What was typed, once the dialog closed with 1 (may be empty: the caller decides).
  const QString& Password() const { return password_; }

  void InitOnWindowInit() override;
  void Notify(TNotifyUI& msg) override;

 protected:
  void InitWindow() override;
  bool MessageFilter(QKeyEvent* event) override;

 private:
  int purpose_ = kBackupFile;
  QString password_;
  QLineEdit* edit_ = nullptr;
};

}  // namespace vesmar
