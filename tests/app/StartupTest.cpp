// Program start: the Palm Desktop test with each registry key, with neither,
// with a core folder that does not exist, and the window opened in each case.
#include "FakePrompts.h"
#include "TestSupport.h"

#include "Startup.h"
#include "UnitMain.h"

#include <QApplication>
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
