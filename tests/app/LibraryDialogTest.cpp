// The library dialog on real widgets: the works found as the user types
// (through an input method, as Japanese is typed), the arrow keys choosing
// among them from the search box, Enter opening the one chosen.
#include "AozoraCatalogCsv.h"
#include "UnitLibrary.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace verdane;
using namespace verdane::test;

class LibraryDialogTest : public QObject {
    Q_OBJECT
private slots:
    void worksAreFoundAsTheUserTypesAndEnterOpensTheOneChosen();
};

namespace {

void Type(QWidget& widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(&widget, &event);
}

QString Cell(const QTableView& view, int row, int column) {
    return view.model()->index(row, column).data().toString();
}

}  // namespace

void LibraryDialogTest::worksAreFoundAsTheUserTypesAndEnterOpensTheOneChosen() {
    const auto catalog = core::AozoraCatalog::FromCsv(
        CatalogHeader() +
        CatalogLine({{"作品ID", "789"}, {"作品名", "吾輩は猫である"}, {"作品名読み", "わがはいはねこである"},
                     {"ソート用読み", "わかはいはねこてある"}, {"文字遣い種別", "新字新仮名"}, {"姓", "夏目"},
                     {"名", "漱石"}, {"役割フラグ", "著者"}, {"公開日", "1999-09-17"}}) +
        CatalogLine({{"作品ID", "773"}, {"作品名", "こころ"}, {"作品名読み", "こころ"}, {"ソート用読み", "こころ"},
                     {"副題", "上\r\n下"}, {"姓", "夏目"}, {"名", "漱石"}, {"役割フラグ", "著者"}}));
    QVERIFY(catalog.Ok());
    TFormLibrary dialog;
    dialog.SetCatalog(&*catalog, QStringLiteral("目録 2026-12-08"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.ListWorks->model()->rowCount(), 0);
    QVERIFY(!dialog.ButtonOK->isEnabled());

    dialog.EditSearch->setFocus();
    Type(*dialog.EditSearch, QStringLiteral("ﾈｺ"));
    QCOMPARE(dialog.ListWorks->model()->rowCount(), 1);
    QCOMPARE(Cell(*dialog.ListWorks, 0, 0), QStringLiteral("吾輩は猫である"));
    QCOMPARE(Cell(*dialog.ListWorks, 0, 1), QStringLiteral("夏目 漱石"));
    QCOMPARE(Cell(*dialog.ListWorks, 0, 3), QStringLiteral("1999-09-17"));
    QCOMPARE(dialog.LabelFound->text(), QStringLiteral("1 件　目録 2026-12-08"));

    dialog.EditSearch->clear();
    Type(*dialog.EditSearch, QStringLiteral("夏目"));
    QCOMPARE(dialog.ListWorks->model()->rowCount(), 2);
    QCOMPARE(dialog.Chosen()->id, std::string("773"));  // sorted by reading: こころ first
    // A subtitle of two lines keeps its row one line high.
    QCOMPARE(Cell(*dialog.ListWorks, 0, 0), QStringLiteral("こころ　上 下"));
    QTest::keyClick(dialog.EditSearch, Qt::Key_Down);
    QCOMPARE(dialog.Chosen()->id, std::string("789"));
    QVERIFY(dialog.ButtonOK->isEnabled());
    QTest::keyClick(dialog.EditSearch, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.CheckBoxClean->isChecked());
}

QTEST_MAIN(LibraryDialogTest)
#include "LibraryDialogTest.moc"
