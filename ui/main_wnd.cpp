#include "ui/main_wnd.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>

#include "toolkit/control_text.h"
#include "toolkit/skin_images.h"
#include "ui/control_factory.h"
#include "ui/help_menu.h"
#include "ui/main_messages.h"

namespace vesmar {
namespace {

const QString kIosDeviceVtrWnd = QStringLiteral("IosDeviceVtrWnd");
const QString kItunesVtrWnd = QStringLiteral("ItunesVtrWnd");
const QString kScanVtrWnd = QStringLiteral("ScanVtrWnd");
const QString kPreviewVtrWnd = QStringLiteral("PreviewVtrWnd");

constexpr quint32 kSelectedText = 0xFFFFFFFF;
constexpr quint32 kNormalText = 0xFF000000;

}  // namespace

CMainWnd::CMainWnd()
    : WindowImplBase(Qt::Window),
      devicePage_(PaintManager(), scanView_),
      backupPage_(backup_, PaintManager(), scanView_),
      scanView_(PaintManager(), preview_, backup_),
      preview_(backup_, PaintManager()) {
  backup_.BuildCatalogue();
  PaintManager().AddVirtualWnd(kIosDeviceVtrWnd, &devicePage_);
  PaintManager().AddVirtualWnd(kItunesVtrWnd, &backupPage_);
  PaintManager().AddVirtualWnd(kScanVtrWnd, &scanView_);
  PaintManager().AddVirtualWnd(kPreviewVtrWnd, &preview_);
}

CMainWnd::~CMainWnd() {
  PaintManager().RemoveVirtualWnd(kIosDeviceVtrWnd);
  PaintManager().RemoveVirtualWnd(kItunesVtrWnd);
  PaintManager().RemoveVirtualWnd(kScanVtrWnd);
  PaintManager().RemoveVirtualWnd(kPreviewVtrWnd);
}

bool CMainWnd::CreateAndShow() {
  if (!Create(nullptr, kTitle)) return false;
  setWindowIcon(QIcon(LoadSkinImage(QStringLiteral("icon.png"))));
  CenterWindow();
  showNormal();
  return true;
}

QWidget* CMainWnd::CreateControl(const QString& className, QWidget* parent) {
  return CreateProgramControl(className, parent);
}

void CMainWnd::InitWindow() {
  txtIosDevice1_ = FindControl(QStringLiteral("TxtIosDevice1"));
  txtIosDevice2_ = FindControl(QStringLiteral("TxtIosDevice2"));
  txtBackupFile1_ = FindControl(QStringLiteral("TxtBackupFile1"));
  txtBackupFile2_ = FindControl(QStringLiteral("TxtBackupFile2"));
  productName_ = Find<QLabel>(QStringLiteral("LblProductName"));
  ApplyTexts();
  // The layout starts with the device source chosen; show it the way a choice does.
  if (auto* option = Find<QAbstractButton>(QStringLiteral("OptIosDevice")); option && option->isChecked()) {
    OnSourceSelected(option);
  }
}

void CMainWnd::ApplyTexts() {
  CSettings& settings = CSettings::Instance();
  messages_ = &settings.Section(QStringLiteral("Messages"));
  settings.ApplySectionToWindow(QStringLiteral("MainWnd"), this);
  if (productName_) productName_->setText(CSettings::Text(*messages_, QStringLiteral("MSG1209")));
}

void CMainWnd::Notify(TNotifyUI& msg) {
  if (msg.type == notify::kWindowInit) {
    ApplyTexts();
    devicePage_.Init();
    backupPage_.Init();
    scanView_.Init();
    return;
  }
  if (msg.type == notify::kSelectChanged) {
    OnSourceSelected(msg.sender);
    return;
  }
  WindowImplBase::Notify(msg);
}

void CMainWnd::OnSourceSelected(QWidget* sender) {
  auto* option = qobject_cast<QAbstractButton*>(sender);
  if (!option || !option->isChecked()) return;
  const QString name = option->objectName();
  int page = -1;
  if (name == QLatin1String("OptIosDevice")) {
    page = 0;
  } else if (name == QLatin1String("OptBackupFile")) {
    page = 1;
  } else {
    return;
  }
  const quint32 device = page == 0 ? kSelectedText : kNormalText;
  const quint32 backup = page == 1 ? kSelectedText : kNormalText;
  SetTextColor(txtIosDevice1_, device);
  SetTextColor(txtIosDevice2_, device);
  SetTextColor(txtBackupFile1_, backup);
  SetTextColor(txtBackupFile2_, backup);
  if (auto* tabs = Find<QStackedWidget>(QStringLiteral("TabPage"))) tabs->setCurrentIndex(page);
}

void CMainWnd::OnClick(TNotifyUI& msg) {
  if (msg.SenderName() == QLatin1String("BtnAssist")) OpenHelpMenu(*this, msg.sender);
  WindowImplBase::OnClick(msg);
}

bool CMainWnd::MessageFilter(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      return true;
    default:
      return false;
  }
}

bool CMainWnd::QueryClose(int) { return scanView_.QueryClose() != 2; }

void CMainWnd::SelectMainPage(int index) {
  if (auto* pages = Find<QStackedWidget>(QStringLiteral("MainTabPage"))) pages->setCurrentIndex(index);
}

bool CMainWnd::HandleCustomMessage(unsigned message, quintptr wParam, qintptr) {
  switch (message) {
    case WM_PREVIEW_MEDIA:
      preview_.MediaStep();
      return true;
    case WM_START_SCAN:
      scanView_.StartScan(static_cast<unsigned>(wParam));
      return true;
    case WM_UPDATE_CATEGORY_COUNTS:
      scanView_.UpdateCategoryCounts();
      return true;
    case WM_SELECT_FIRST_CATEGORY:
      scanView_.SelectFirstCategory();
      return true;
    case WM_SCAN_FINISHED:
      scanView_.ScanFinished();
      return true;
    case WM_SCAN_EVENT:
      OnScanEvent(static_cast<unsigned>(wParam));
      return true;
    default:
      return false;
  }
}

void CMainWnd::OnScanEvent(unsigned event) {
  const bool fromBackup = scanView_.Source() == kSourceBackup;
  switch (event) {
    case ScanStarted:
      if (fromBackup) backupPage_.OnScanStarted();
      SelectMainPage(1);
      break;
    case PasswordRequired:
      if (fromBackup) backupPage_.OnPasswordRequired();
      break;
    case ScanFailed:
      devicePage_.ShowScanError();
      break;
    default:
      break;
  }
}

void CMainWnd::OnFinalMessage() {
  if (quitOnClose_) QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

}  // namespace vesmar
