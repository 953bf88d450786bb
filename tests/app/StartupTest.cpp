// Program start: the Palm Desktop test with each registry key, with neither,
// with a core folder that does not exist, and the window opened in each case.
#include "FakePrompts.h"
#include "TestSupport.h"

#include "RegistryFile.h"
#include "Startup.h"
#include "UnitMain.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace verdane;
using namespace verdane::test;

namespace {

std::string Registry(const std::string& root, const std::string& corePath) {
    return "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\" + root + "\\Pilot Desktop\\Core]\r\n\"Path\"=\"" + corePath +
           "\"\r\n";
}

// Runs the program; when its window shows up, notes its caption and closes it.
struct StartResult {
    int exitCode = -1;
    bool windowShown = false;
    QString caption;
};

StartResult Start(const std::string& registryText, bool writeRegistry = true) {
    TempDir dir;
    ::mkdir(dir.File("Palm").c_str(), 0755);
    if (writeRegistry) WriteFile(dir.File("registry.reg"), registryText);
    qputenv("VERDANE_REGISTRY", QByteArray::fromStdString(dir.File("registry.reg")));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.File("config")));
    StartResult result;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<TFormMainVerdane*>(w); window && window->isVisible()) {
                result.windowShown = true;
                result.caption = window->windowTitle();
                window->close();
            }
        }
    });
    poll.start(20);
    result.exitCode = RunVerdane({});
    poll.stop();
    // Nothing is written to the configuration folder when the start is refused.
    if (result.exitCode != 0 && FileExists(dir.File("config"))) result.caption = QStringLiteral("config folder made");
    return result;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { prompts_ = std::make_unique<FakePrompts>(); }
    void cleanup() { prompts_.reset(); }

    void startsWithEitherRegistryKey_data() {
        QTest::addColumn<QString>("root");
        QTest::newRow("U.S. Robotics") << "U.S. Robotics";
        QTest::newRow("Palm Computing") << "Palm Computing";
    }
    void startsWithEitherRegistryKey() {
        QFETCH(QString, root);
        const StartResult r = Start(Registry(root.toStdString(), "Palm"));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.windowShown);
        QCOMPARE(r.caption, QStringLiteral("NewFile - Verdane Ver1.22"));
        QVERIFY(prompts_->messages.empty());
    }

    void refusesToStartWithoutTheKeys_data() {
        QTest::addColumn<QByteArray>("registry");
        QTest::addColumn<bool>("present");
        QTest::newRow("other keys only") << QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"a\"=\"b\"\r\n") << true;
        QTest::newRow("no registry file") << QByteArray() << false;
        QTest::newRow("the keys under another hive")
            << QByteArray("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Palm Computing]\r\n") << true;
    }
    void refusesToStartWithoutTheKeys() {
        QFETCH(QByteArray, registry);
        QFETCH(bool, present);
        const StartResult r = Start(registry.toStdString(), present);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!r.windowShown);
        QCOMPARE(r.caption, QString());
        QCOMPARE(prompts_->messages.size(), size_t(1));
        QCOMPARE(prompts_->messages[0].text, QStringLiteral("PalmDesktopが正しくインストールされていません！"));
        QCOMPARE(prompts_->messages[0].caption, QStringLiteral("Verdane"));
        QCOMPARE(prompts_->messages[0].icon, QMessageBox::Critical);
        // The details tell both ways to set a registry up.
        const QString& detail = prompts_->messages[0].detail;
        QVERIFY2(detail.contains(QStringLiteral("verdane-cli palm-desktop init ")) &&
                     detail.contains(QStringLiteral("--user")),
                 qPrintable(detail));
        QVERIFY2(detail.contains(QStringLiteral("VERDANE_REGISTRY")), qPrintable(detail));
        QVERIFY2(detail.contains(QString::fromStdString(platform::DefaultRegistryPath())), qPrintable(detail));
    }

    void aDamagedRegistryIsNamedBeforeTheWaysToSetOneUp() {
        const StartResult r = Start("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Palm Computing\r\n\"a\"=\"b\"\r\n");
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(prompts_->messages.size(), size_t(1));
        const QString& detail = prompts_->messages[0].detail;
        QVERIFY2(!detail.startsWith(QStringLiteral("Palm Desktop のフォルダ")), qPrintable(detail));
        QVERIFY2(detail.contains(QStringLiteral("VERDANE_REGISTRY")), qPrintable(detail));
    }

    // Qt's stock dialogs and buttons follow the locale once its translation is in.
    void stockDialogsAndButtonsFollowTheLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected");
        const QString ja = QStringLiteral("ja_JP");
        QTest::newRow("ja Yes") << ja << "yes" << QStringLiteral("はい(&Y)");
        QTest::newRow("ja No") << ja << "no" << QStringLiteral("いいえ(&N)");
        QTest::newRow("ja Cancel") << ja << "cancel" << QStringLiteral("キャンセル");
        QTest::newRow("ja open dialog") << ja << "open" << QStringLiteral("開く");
        QTest::newRow("ja save dialog") << ja << "save" << QStringLiteral("名前を付けて保存");
        QTest::newRow("ja save button") << ja << "save button" << QStringLiteral("保存(&S)");
        QTest::newRow("ja font dialog") << ja << "font" << QStringLiteral("フォントの選択");
        const QString en = QStringLiteral("en_US");
        QTest::newRow("en Yes") << en << "yes" << QStringLiteral("&Yes");
        QTest::newRow("en save dialog") << en << "save" << QStringLiteral("Save As");
        QTest::newRow("en font dialog") << en << "font" << QStringLiteral("Select Font");
    }
    void stockDialogsAndButtonsFollowTheLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, what);
        QFETCH(QString, expected);
        const bool loaded = InstallQtTranslations(QLocale(locale));
        if (locale == QStringLiteral("ja_JP"))
            QVERIFY2(loaded, "no Japanese translation of Qt (Debian package qt6-translations-l10n)");
        QString shown;
        if (what == "yes" || what == "no" || what == "cancel") {
            QMessageBox box;
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            const auto button = what == "yes" ? QMessageBox::Yes : what == "no" ? QMessageBox::No : QMessageBox::Cancel;
            shown = box.button(button)->text();
        } else if (what == "font") {
            QFontDialog dialog;
            shown = dialog.windowTitle();
        } else {
            QFileDialog dialog;
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(what == "open" ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
            shown = what == "save button" ? dialog.findChild<QDialogButtonBox*>()->buttons().value(0)->text()
                                          : dialog.windowTitle();
        }
        InstallQtTranslations(QLocale::c());
        QCOMPARE(shown, expected);
    }

    void aCoreFolderThatDoesNotExistIsReportedAndTheWindowOpens() {
        const StartResult r = Start(Registry("Palm Computing", "NoSuchFolder"));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.windowShown);
        QCOMPARE(prompts_->messages.size(), size_t(1));
        QCOMPARE(prompts_->messages[0].text, QStringLiteral("Instaide.DLLが見つかりません"));
        QVERIFY(prompts_->messages[0].detail.contains("NoSuchFolder"));
    }

private:
    std::unique_ptr<FakePrompts> prompts_;
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
