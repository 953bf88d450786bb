// A text file is written back in the code and line ends it was read with (a
// byte-order mark too), or in those chosen with 文字コードを指定して保存; the
// status bar then shows what the file is written in.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"
#include "SaveCode.h"
#include "UnitMain.h"

#include <QComboBox>
#include <QTest>

using namespace verdane;
using namespace verdane::test;

namespace {

// "日本語のテキスト" and a line end in each code, as iconv writes them.
const QByteArray kSjis("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\r\n");
const QByteArray kEuc("\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xc6\xa5\xad\xa5\xb9\xa5\xc8\n");
const QByteArray kJis("\x1b$BF|K\\8l$N%F%-%9%H\x1b(B\r\n");
const QByteArray kUtf8("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x86\xe3\x82\xad\xe3\x82\xb9\xe3\x83\x88\n");
const QByteArray kBom("\xef\xbb\xbf");

QByteArray Crlf(QByteArray lf) { return lf.replace("\n", "\r\n"); }
QByteArray Lf(QByteArray crlf) { return crlf.replace("\r\n", "\n"); }

}  // namespace

class SaveCodeTest : public QObject {
    Q_OBJECT

private slots:
    void init() { prompts_ = std::make_unique<FakePrompts>(); }
    void cleanup() { prompts_.reset(); }

    void aTextIsWrittenInItsOwnFormOrTheChosenOne_data() {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<int>("code");  // chosen in the dialog; -1: the plain save
        QTest::addColumn<bool>("crLf");
        QTest::addColumn<QByteArray>("written");  // after "x" typed at the start
        QTest::addColumn<QString>("panel");
        QTest::newRow("UTF-8 LF stays") << kUtf8 << -1 << false << "x" + kUtf8 << "UTF-8 LF";
        QTest::newRow("UTF-8 with BOM and CR LF stays") << kBom + Crlf(kUtf8) << -1 << false << kBom + "x" + Crlf(kUtf8)
                                                         << "UTF-8(BOM) CRLF";
        QTest::newRow("EUC-JP LF stays") << kEuc << -1 << false << "x" + kEuc << "EUC-JP LF";
        QTest::newRow("Shift-JIS CR LF stays") << kSjis << -1 << false << "x" + kSjis << "Shift-JIS CRLF";
        QTest::newRow("JIS becomes Shift-JIS") << kJis << -1 << false << "x" + kSjis << "Shift-JIS CRLF";
        QTest::newRow("Shift-JIS chosen as UTF-8 LF") << kSjis << 2 << false << "x" + kUtf8 << "UTF-8 LF";
        QTest::newRow("UTF-8 chosen as EUC-JP CR LF") << kUtf8 << 1 << true << "x" + Crlf(kEuc) << "EUC-JP CRLF";
        QTest::newRow("EUC-JP chosen as Shift-JIS LF") << kEuc << 0 << false << "x" + Lf(kSjis) << "Shift-JIS LF";
    }
    void aTextIsWrittenInItsOwnFormOrTheChosenOne() {
        QFETCH(QByteArray, read);
        QFETCH(int, code);
        QFETCH(bool, crLf);
        QFETCH(QByteArray, written);
        QFETCH(QString, panel);
        TempDir dir;
        WriteFile(dir.File("book.txt"), read.toStdString());
        static const platform::TRegistryFile registry;
        TFormMainVerdane w(registry, {QString::fromStdString(dir.File("book.txt"))});
        Editor(w)->insertPlainText(QStringLiteral("x"));
        prompts_->messages.clear();
        // The proposed name with the text type.
        prompts_->saveChoices.push_back({QString::fromStdString(dir.File("book")), 1});
        if (code >= 0) {
            prompts_->dialogs.push_back([&](QDialog& d) {
                auto& form = dynamic_cast<TFormCode&>(d);
                form.ComboCode->setCurrentIndex(code);
                form.ComboLineEnds->setCurrentIndex(crLf ? 0 : 1);
                return int(QDialog::Accepted);
            });
        }
        Trigger(w, code >= 0 ? "MenuSaveCode" : "MenuSave");
        QCOMPARE(QByteArray::fromStdString(ReadFile(dir.File("book.txt"))), written);
        QVERIFY2(prompts_->messages.empty(), qPrintable(prompts_->Texts().join(u'|')));
        QVERIFY(!Modified(w));
        QCOMPARE(Part<QLabel>(w, "StatusCode")->text(), panel);
    }

private:
    std::unique_ptr<FakePrompts> prompts_;
};

QTEST_MAIN(SaveCodeTest)
#include "SaveCodeTest.moc"
