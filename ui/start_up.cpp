#include "ui/start_up.h"

#include <QApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>

#include <memory>

#include "platform/single_instance.h"
#include "platform/terminate_by_name.h"
#include "recovery/working_folders.h"
#include "toolkit/skin_archive.h"
#include "toolkit/skin_style.h"
#include "ui/main_wnd.h"
#include "ui/message_box.h"

namespace vesmar {

bool CanDecodePreviewImages() {
  const QList<QByteArray> formats = QImageReader::supportedImageFormats();
  return formats.contains("jpeg") && formats.contains("png");
}

bool ServeShowRequests(SingleInstance& instance, QWidget* window, QObject* owner) {
  const int fd = instance.Listen();
  if (fd < 0) return false;
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner);
  QPointer<QWidget> target(window);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [&instance, target] {
    instance.ServeOne([target] {
      if (!target) return false;
      target->showNormal();
      if (QGuiApplication::platformName() != QLatin1String("offscreen")) target->raise();
      return true;
    });
  });
  return true;
}

int RunApplication(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(CMainWnd::kTitle);
  app.setQuitOnLastWindowClosed(false);
  ApplySkinStyle(app);

  SingleInstance instance(kInstanceName);
  if (!instance.Acquire()) {
    if (instance.AskRunningToShow(3000) != SingleInstance::Answer::Shown) {
      CMessageBox::Show(kBoxInformation, nullptr, std::nullopt, QString::fromUtf8(kRunningText), 350, 150);
    }
    return 0;
  }

  if (!CanDecodePreviewImages()) {
    QMessageBox::information(nullptr, QStringLiteral("Information"),
                             QStringLiteral("Image support (JPEG and PNG) is missing, the application "
                                            "can not complete initialization!"));
    return 0;
  }

  {
    auto window = std::make_unique<CMainWnd>();
    if (window->CreateAndShow()) {
      ServeShowRequests(instance, window.get(), window.get());
      app.exec();
    }
  }

  CSkinArchive::Instance().Release();
  // The external players, should any still run, and the preview's temporary files.
  TerminateProcessesByName("Player");
  TerminateProcessesByName("Player1");
  DeletePreviewTempFiles();
  return 0;
}

}  // namespace vesmar
