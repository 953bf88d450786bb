// A text file is written back in its own code and line ends (and byte-order
// mark), or in those chosen with 文字コードを指定して保存; the status bar then
// shows what the file is written in.
#include "FakePrompts.h"
#include "TestSupport.h"
#include "WindowParts.h"

#include "RegistryFile.h"
#include "SaveCode.h"

#include <QComboBox>
#include <QTest>

using namespace verdane;
using namespace verdane::test;

namespace {
// "日本語のテキスト" and a line end in each code, as iconv writes them.
const QByteArray kSjis("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\r\n");
const QByteArray kEuc("\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xa5\xc6\xa5\xad\xa5\xb9\xa5\xc8\n");
const QByteArray kUtf8("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe3\x83\x86\xe3\x82\xad\xe3\x82\xb9\xe3\x83\x88\n");
QByteArray Crlf(QByteArray lf) { return lf.replace("\n", "\r\n"); }
}  // namespace

class SaveCodeTest : public QObject {
    Q_OBJECT
private slots:
    void aTextIsWrittenInItsOwnFormOrTheChosenOne_data() {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<int>("code");  // chosen in the dialog, with LF (CR LF from 10 on); -1: Ctrl+S
        QTest::addColumn<QByteArray>("written");  // after "x" typed at the start
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("question");  // answered Yes
        QTest::newRow("UTF-8 LF") << kUtf8 << -1 << "x" + kUtf8 << "UTF-8 LF" << "";
        QTest::newRow("UTF-8, BOM, CR LF") << "\xef\xbb\xbf" + Crlf(kUtf8) << -1 << "\xef\xbb\xbfx" + Crlf(kUtf8)
                                           << "UTF-8 (BOM) CR LF" << "";
        QTest::newRow("EUC-JP LF") << kEuc << -1 << "x" + kEuc << "EUC-JP LF" << "";
        QTest::newRow("JIS as Shift-JIS") << QByteArray("\x1b$BF|K\\8l$N%F%-%9%H\x1b(B\r\n") << -1 << "x" + kSjis
                                          << "Shift-JIS CR LF"
                                          << "JIS CR LF で読み込んだ文書を Shift-JIS CR LF で保存します。\n保存しますか?";
        QTest::newRow("UTF-16 as UTF-8, BOM")
            << QByteArray("\xff\xfe\xe5\x65\x2c\x67\x9e\x8a\x6e\x30\xc6\x30\xad\x30\xb9\x30\xc8\x30\x0d\x00\x0a\x00", 22)
            << -1 << "\xef\xbb\xbfx" + Crlf(kUtf8) << "UTF-8 (BOM) CR LF"
            << "UTF-16 CR LF で読み込んだ文書を UTF-8 (BOM) CR LF で保存します。\n保存しますか?";
        QTest::newRow("chosen UTF-8 LF") << kSjis << 2 << "x" + kUtf8 << "UTF-8 LF" << "";
        QTest::newRow("chosen EUC-JP CR LF") << kUtf8 << 11 << "x" + Crlf(kEuc) << "EUC-JP CR LF" << "";
    }
    void aTextIsWrittenInItsOwnFormOrTheChosenOne() {
        QFETCH(QByteArray, read);
        QFETCH(int, code);
        QFETCH(QByteArray, written);
        QFETCH(QString, panel);
        QFETCH(QString, question);
        FakePrompts prompts;
        TempDir dir;
        WriteFile(dir.File("book.txt"), read.toStdString());
        static const platform::TRegistryFile registry;
        TFormMainVerdane w(registry, {QString::fromStdString(dir.File("book.txt"))});
        Editor(w)->insertPlainText(QStringLiteral("x"));
        prompts.messages.clear();
        prompts.answers.push_back(QMessageBox::Yes);
        prompts.saveChoices.push_back({QString::fromStdString(dir.File("book")), 1});
        prompts.dialogs.push_back([&](QDialog& d) {
            dynamic_cast<TFormCode&>(d).ComboCode->setCurrentIndex(code % 10);
            dynamic_cast<TFormCode&>(d).ComboLineEnds->setCurrentIndex(code < 10 ? 1 : 0);
            return int(QDialog::Accepted);
        });
        Trigger(w, code >= 0 ? "MenuSaveCode" : "MenuSave");
        QCOMPARE(QByteArray::fromStdString(ReadFile(dir.File("book.txt"))), written);
        QCOMPARE(prompts.Texts(), question.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(Part<QLabel>(w, "StatusCode")->text(), panel);
    }

    // After a save that wrote stand-ins the editor holds what was written, as
    // one step that Undo takes back (and the text is then modified).
    void aLossySaveLeavesWhatWasWritten_data() {
        QTest::addColumn<QString>("text");  // of a UTF-8 file
        QTest::addColumn<int>("code");      // as above; 20: saved as a PDB
        QTest::addColumn<QString>("held");  // the editor's text after the save
        QTest::newRow("Shift-JIS") << QStringLiteral("café ø ß © 😀 日本\n") << 10
                                   << QStringLiteral("cafe o ss ? ? 日本\n");
        QTest::newRow("EUC-JP lacks the IBM rows") << QStringLiteral("ⅰß\n") << 1 << QStringLiteral("?ss\n");
        QTest::newRow("DOC database") << QStringLiteral("a😀b\n") << 20 << QStringLiteral("a〓b\n");
    }
    void aLossySaveLeavesWhatWasWritten() {
        QFETCH(QString, text);
        QFETCH(int, code);
        QFETCH(QString, held);
        FakePrompts prompts;
        TempDir dir;
        WriteFile(dir.File("book.txt"), text.toStdString());
        static const platform::TRegistryFile registry;
        TFormMainVerdane w(registry, {QString::fromStdString(dir.File("book.txt"))});
        prompts.answers.push_back(QMessageBox::Yes);
        prompts.saveChoices.push_back({QString::fromStdString(dir.File("book")), code == 20 ? 3 : 1});
        prompts.dialogs.push_back([&](QDialog& d) {
            if (auto* form = dynamic_cast<TFormCode*>(&d)) {
                form->ComboCode->setCurrentIndex(code % 10);
                form->ComboLineEnds->setCurrentIndex(code < 10 ? 1 : 0);
            }
            return int(QDialog::Accepted);
        });
        Trigger(w, code == 20 ? "MenuSave" : "MenuSaveCode");
        QCOMPARE(prompts.messages.size(), std::size_t(1));  // the question about the characters
        QCOMPARE(Editor(w)->toPlainText(), held);
        QVERIFY(!Modified(w));
        TriggerWhenIdle(w, "MenuUndo");
        QCOMPARE(Editor(w)->toPlainText(), text);
        QVERIFY(Modified(w));
    }
};

QTEST_MAIN(SaveCodeTest)
#include "SaveCodeTest.moc"
