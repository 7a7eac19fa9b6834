#include "ui/help_menu.h"

#include <QWidget>

#include "platform/folders.h"
#include "platform/shell_open.h"
#include "toolkit/menu_wnd.h"
#include "ui/settings.h"

namespace vesmar {

QString HelpPagePath(const QString& item) {
  QString page;
  if (item == QLatin1String("item_help")) page = QStringLiteral("guide.html");
  if (item == QLatin1String("item_about")) page = QStringLiteral("about.html");
  if (item == QLatin1String("item_support")) page = QStringLiteral("support.html");
  if (page.isEmpty()) return {};
  return QString::fromStdString((ProgramFolder() / "help").string()) + QLatin1Char('/') + page;
}

CMenuWnd* OpenHelpMenu(WindowImplBase& mainWindow, QWidget* button) {
  auto* menu = new CMenuWnd(QStringLiteral("xml/menu_assist.xml"));
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : QPoint();
  WindowImplBase* main = &mainWindow;
  const bool ok = menu->Init(
      &mainWindow, button, at,
      [](CMenuWnd& m, TNotifyUI&) {
        // These entries have nothing behind them in this program.
        for (const char* hidden : {"item_faq", "item_language"}) {
          if (QWidget* item = m.FindControl(QLatin1String(hidden))) item->hide();
        }
      },
      [](CMenuWnd& m, TNotifyUI&) {
        CSettings::Instance().ApplySectionToPopUp(QStringLiteral("MenuWnd"), &m);
      },
      [main](CMenuWnd& m, TNotifyUI& msg) {
        if (m.MenuName() != QLatin1String("menu_assist")) return;
        const QString item = msg.SenderName();
        if (item == QLatin1String("item_exit")) {
          main->PostMessage(kWmClose, 1);
          return;
        }
        const QString page = HelpPagePath(item);
        if (!page.isEmpty()) ShellOpen(page.toStdString());
      });
  if (!ok) {
    delete menu;
    return nullptr;
  }
  return menu;
}

}  // namespace vesmar
