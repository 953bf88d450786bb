// Program start: the Palm Desktop test with each registry key, with neither,
// with a core folder that does not exist, and the window opened in each case.
#include "FakePrompts.h"
#include "TestSupport.h"

#include "FirstStart.h"
#include "PalmDesktop.h"
#include "RegistryFile.h"
#include "Startup.h"
#include "UnitMain.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QFontDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

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

// `registryPath`, when given, is where VERDANE_REGISTRY points instead ("-":
// it is not set); `configHome`, when given, is XDG_CONFIG_HOME.
StartResult Start(const std::string& registryText, bool writeRegistry = true, const std::string& registryPath = {},
                  const std::string& configHome = {}) {
    TempDir dir;
    ::mkdir(dir.File("Palm").c_str(), 0755);
    if (writeRegistry) WriteFile(dir.File("registry.reg"), registryText);
    if (registryPath == "-") qunsetenv("VERDANE_REGISTRY");
    else qputenv("VERDANE_REGISTRY", QByteArray::fromStdString(registryPath.empty() ? dir.File("registry.reg") : registryPath));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome.empty() ? dir.File("config") : configHome));
    StartResult result;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<TFormMainVerdane*>(w); window && window->isVisible()) {
                result.windowShown = true;
                result.caption = window->windowHandle()->title();  // as the desktop shows it
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

    // The first start without a registry file: the offer taken with the
    // dialog's defaults makes a desktop for the login's user where the
    // program looks for it, and the window opens on it.
    void firstStartMakesADesktopWithTheOfferedDefaults() {
        TempDir dir;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data")));
        QString userShown;
        prompts_->dialogs.push_back([](QDialog& message) {
            message.findChild<QPushButton*>(QStringLiteral("ButtonCreate"))->click();
            return message.result();
        });
        prompts_->dialogs.push_back([&](QDialog& setUp) {
            userShown = setUp.findChild<QLineEdit*>(QStringLiteral("EditUser"))->text();
            setUp.accept();
            return setUp.result();
        });
        const std::string registry = dir.File("config/verdane/registry.reg");
        const StartResult r = Start({}, false, registry);
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.windowShown);
        QVERIFY(prompts_->messages.empty());
        QVERIFY(!userShown.isEmpty());
        QCOMPARE(userShown, DefaultHandheldUserName());
        const platform::TPalmDesktop desktop(platform::TRegistryFile::Load(registry));
        QCOMPARE(QString::fromStdString(desktop.CorePath()), QString::fromStdString(dir.File("data/verdane/palm-desktop/Palm")));
        QCOMPARE(desktop.Users().size(), size_t(1));
        QCOMPARE(QString::fromStdString(desktop.Users()[0].name), userShown);
    }

    void decliningTheFirstStartOfferEndsWithoutWritingAnything() {
        TempDir dir;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data")));
        prompts_->dialogs.push_back([](QDialog& message) {
            message.findChild<QPushButton*>(QStringLiteral("ButtonQuit"))->click();
            return message.result();
        });
        const StartResult r = Start({}, false, dir.File("config/verdane/registry.reg"));
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!r.windowShown);
        QVERIFY(prompts_->messages.empty());  // the offer itself said what is missing
        QCOMPARE(ListDir(dir.Path()), std::vector<std::string>{});
    }

    // The first start without a desktop: an existing registry file chosen (a
    // file that names no desktop refused first) is remembered for the next
    // start; without one, or with Esc, the window opens and Install says why
    // it cannot.
    void theFirstStartTakesAnExistingDesktopOrNone_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("refused");  // messages before the window
        QTest::newRow("an existing desktop") << "choose" << 0;
        QTest::newRow("a file that names none, then another") << "other, choose" << 1;
        QTest::newRow("without a desktop") << "without" << 0;
        QTest::newRow("Esc") << "Esc" << 0;
    }
    void theFirstStartTakesAnExistingDesktopOrNone() {
        QFETCH(QString, way);
        QFETCH(int, refused);
        TempDir dir;
        ::mkdir(dir.File("Palm").c_str(), 0755);
        const QString existing = QString::fromStdString(dir.File("existing.reg"));
        WriteFile(dir.File("existing.reg"), Registry("Palm Computing", dir.File("Palm")));
        WriteFile(dir.File("other.reg"), "REGEDIT4\r\n");
        prompts_->dialogs.push_back([&](QDialog& message) {
            if (way.startsWith("other")) prompts_->openChoices.push_back(QString::fromStdString(dir.File("other.reg")));
            if (way.contains("choose")) prompts_->openChoices.push_back(existing);
            for (QString step : way.split(QStringLiteral(", "))) {
                if (step == "Esc") message.reject();
                else message.findChild<QPushButton*>(step == "without" ? "ButtonWithout" : "ButtonChoose")->click();
            }
            return message.result();
        });
        const std::string config = dir.File("config");
        const StartResult r = Start({}, false, "-", config);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.windowShown);
        QCOMPARE(prompts_->messages.size(), std::size_t(refused));
        const bool chosen = way.contains("choose");
        QCOMPARE(RememberedRegistryPath(), chosen ? existing : QString());
        // The next start takes the file chosen without a word; without one it asks again.
        prompts_->messages.clear();
        const StartResult again = Start({}, false, "-", config);
        QCOMPARE(again.windowShown, chosen);
        if (chosen) return;
        // Without a desktop, Install says why it cannot.
        static const platform::TRegistryFile none;
        TFormMainVerdane window(none, {});
        QVERIFY(prompts_->messages.empty());
        window.findChild<QAction*>(QStringLiteral("MenuInstall"))->trigger();
        QCOMPARE(prompts_->messages.size(), std::size_t(1));
        QCOMPARE(prompts_->messages[0].text, QStringLiteral("PalmDesktopが正しくインストールされていません！"));
    }

    // What the set-up dialog refuses: the reason shown, the dialog open, nothing written.
    void theSetUpDialogNamesWhatItRefuses_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("registryThere");
        const QString control = QStringLiteral("ユーザー名に制御文字 (改行やタブなど) は使えません。");
        QTest::newRow("no user") << "desk" << "" << QStringLiteral("携帯端末のユーザー名を入力してください。") << false;
        QTest::newRow("a tab in the name") << "desk" << "Han\tako" << control << false;
        QTest::newRow("ESC in the name") << "desk" << "\x1b[2J" << control << false;
        QTest::newRow("no folder") << "" << "Hanako" << QStringLiteral("フォルダを入力してください。") << false;
        QTest::newRow("a name too long for the handheld, cut in view")
            << "desk" << QStringLiteral("とても長い携帯端末のユーザーの名前です") << QStringLiteral("「とても長い携帯端末のユーザーの名」に縮めました")
            << false;
        QTest::newRow("a registry file already there") << "desk" << "Hanako" << QStringLiteral("が既にあります。上書きはしません。") << true;
    }
    void theSetUpDialogNamesWhatItRefuses() {
        QFETCH(QString, folder);
        QFETCH(QString, user);
        QFETCH(QString, problem);
        QFETCH(bool, registryThere);
        TempDir dir;
        const QString registry = QString::fromStdString(dir.File("registry.reg"));
        if (registryThere) WriteFile(dir.File("registry.reg"), "REGEDIT4\r\n");
        TFormPalmSetUp setUp(registry);
        setUp.EditFolder->setText(folder.isEmpty() ? folder : QString::fromStdString(dir.File(folder.toStdString())));
        setUp.EditUser->setText(user);
        setUp.show();
        setUp.accept();
        QCOMPARE(setUp.result(), int(QDialog::Rejected));
        QVERIFY(setUp.isVisible());
        QVERIFY2(setUp.LabelProblem->isVisible() && setUp.LabelProblem->text().contains(problem),
                 qPrintable(setUp.LabelProblem->text()));
        QVERIFY(!FileExists(dir.File("desk")));
        // Mended, the same dialog makes the desktop.
        if (registryThere) return;
        setUp.EditFolder->setText(QString::fromStdString(dir.File("desk")));
        if (!problem.contains(QStringLiteral("縮めました"))) setUp.EditUser->setText(QStringLiteral("Hanako"));
        setUp.accept();
        QCOMPARE(setUp.result(), int(QDialog::Accepted));
        const platform::TPalmDesktop desktop(platform::TRegistryFile::Load(registry.toStdString()));
        QCOMPARE(desktop.Users().size(), size_t(1));
        QCOMPARE(QString::fromStdString(desktop.Users()[0].name), setUp.EditUser->text());
    }

private:
    std::unique_ptr<FakePrompts> prompts_;
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
