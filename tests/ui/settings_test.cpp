// Language tables: reading the settings and language files, looking texts up, and putting a
// section's texts on a window's controls.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <fstream>

#include "tests/ui/test_registry.h"
#include "ui/settings.h"

namespace vesmar {
namespace {

void Write(const QString& path, const char* text) {
  std::ofstream(path.toStdString(), std::ios::binary) << text;
}

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT
 private slots:
  void languageNamedInTheSettingsIsLoaded() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Languages"));
    Write(dir.filePath(QStringLiteral("config.ini")), "[DefaultLanguage]\nDefault=Deutsch\n");
    Write(dir.filePath(QStringLiteral("Languages/Deutsch.ini")),
          "\xEF\xBB\xBF[Messages]\r\nMSG0403=Hinweis\r\nMSG0403=ignored\r\n"
          "MSG0514=Gewählt: %s = %d\r\nLineWithoutEquals\r\n; comment=no\r\n");
    CSettings settings(dir.path().toStdString());
    QCOMPARE(settings.CurrentLanguage(), QStringLiteral("Deutsch"));
    QCOMPARE(settings.Message(QStringLiteral("MSG0403")), QStringLiteral("Hinweis"));  // first wins
    QCOMPARE(settings.Message(QStringLiteral("MSG0514")), QStringLiteral("Gewählt: %s = %d"));
    QCOMPARE(settings.Message(QStringLiteral("LineWithoutEquals")), QStringLiteral("LineWithoutEquals"));
    QCOMPARE(settings.Message(QStringLiteral("; comment")), QString());
  }

  void missingFilesGiveEnglishAndEmptyTexts() {
    QTemporaryDir dir;
    CSettings settings(dir.path().toStdString());
    QCOMPARE(settings.CurrentLanguage(), QStringLiteral("English"));
    TextTable& messages = settings.Section(QStringLiteral("Messages"));
    QCOMPARE(CSettings::Text(messages, QStringLiteral("MSG0401")), QString());
    QCOMPARE(messages.count(QStringLiteral("MSG0401")), size_t{1});  // the missing key was added
  }

  void sectionTextsGoToControlsByName() {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Languages"));
    Write(dir.filePath(QStringLiteral("Languages/English.ini")),
          "[Win]\nLblTitle=Hello = World\nBtnGo=Go\nEditName=Name\nNoSuchControl=x\n");
    CSettings settings(dir.path().toStdString());

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* title = new QLabel(QStringLiteral("default"), &window);
    title->setObjectName(QStringLiteral("LblTitle"));
    auto* go = new QPushButton(&window);
    go->setObjectName(QStringLiteral("BtnGo"));
    go->setEnabled(false);
    auto* edit = new QLineEdit(&window);
    edit->setObjectName(QStringLiteral("EditName"));
    auto* untouched = new QLabel(QStringLiteral("keep"), &window);
    untouched->setObjectName(QStringLiteral("LblOther"));
    for (QWidget* w : {static_cast<QWidget*>(title), static_cast<QWidget*>(go),
                       static_cast<QWidget*>(edit), static_cast<QWidget*>(untouched)}) {
      layout->addWidget(w);
    }

    settings.ApplySectionToWindow(QStringLiteral("Win"), &window);
    QCOMPARE(title->text(), QStringLiteral("Hello = World"));
    QCOMPARE(go->text(), QStringLiteral("Go"));
    QVERIFY(!go->isEnabled());  // disabled controls get their text and stay disabled
    QCOMPARE(edit->text(), QStringLiteral("Name"));
    QCOMPARE(untouched->text(), QStringLiteral("keep"));

    go->setText(QString());
    settings.ApplySectionToPopUp(QStringLiteral("Win"), &window);
    QCOMPARE(go->text(), QStringLiteral("Go"));
    QVERIFY(!go->isEnabled());
  }

  void shippedEnglishHasEveryMessageWithItsPlaceholders_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("placeholders");
    const QStringList none;
    for (const char* key : {"MSG0301", "MSG0302", "MSG0401", "MSG0402", "MSG0403", "MSG0404", "MSG0405",
                            "MSG0501", "MSG0502", "MSG0503", "MSG0504", "MSG0506", "MSG0507", "MSG0508",
                            "MSG0509", "MSG0510", "MSG0511", "MSG0601", "MSG0602", "MSG0901", "MSG0902",
                            "MSG0903", "MSG1101", "MSG1103", "MSG1104", "MSG1207", "MSG1209"}) {
      QTest::newRow(key) << key << none;
    }
    QTest::newRow("MSG0514") << "MSG0514" << QStringList{"%s", "%d", "%s", "%d"};
    QTest::newRow("MSG1102") << "MSG1102" << QStringList{"%d", "%d", "%d", "%d"};
    QTest::newRow("MSG0201") << "MSG0201" << QStringList{"\\n"};
  }
  void shippedEnglishHasEveryMessageWithItsPlaceholders() {
    QFETCH(QString, key);
    QFETCH(QStringList, placeholders);
    const QString text = CSettings::Instance().Message(key);
    QVERIFY2(!text.isEmpty(), qPrintable(key));
    static const QRegularExpression format(QStringLiteral("%[sd]|\\\\n"));
    QStringList found;
    for (auto it = format.globalMatch(text); it.hasNext();) found << it.next().captured();
    if (key == QLatin1String("MSG0201")) {
      QVERIFY(found.contains(QStringLiteral("\\n")));
    } else {
      QCOMPARE(found, placeholders);
    }
  }

  void shippedEnglishHasEveryWindowSection() {
    CSettings& settings = CSettings::Instance();
    for (const char* section : {"MainWnd", "PageIosDevice", "PageItunesBackup", "PageScan", "PreviewProcessWnd",
                                "MessageBox", "DecryptionWnd", "MenuWnd", "PrintWnd", "RecoverProcessWnd"}) {
      QVERIFY2(!settings.Section(QLatin1String(section)).empty(), section);
    }
    QVERIFY(!settings.Section(QStringLiteral("PageScan")).count(QStringLiteral("LblStatistics")));
  }
};

VESMAR_GUI_TEST(settings, SettingsTest)

}  // namespace vesmar

#include "settings_test.moc"
