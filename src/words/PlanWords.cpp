#include "PlanWords.h"

#include "Names.h"

#include <QStringList>

namespace verdane {

namespace {

// The characters listed by name; the rest are counted.
constexpr std::size_t kNamed = 3;

QString Named(const platform::Unwritable& character) {
    const char32_t cp = character.codePoint;
    const QString code = QString::number(static_cast<uint>(cp), 16).toUpper().rightJustified(4, u'0');
    return QStringLiteral("%1 行目の「%2」(U+%3)→「%4」")
        .arg(character.line)
        .arg(QString::fromUcs4(&cp, 1), code, character.writtenAs);
}

QString Action(core::WayOut way) {
    switch (way) {
    case core::WayOut::Save: return QStringLiteral("保存しますか?");
    case core::WayOut::Install: return QStringLiteral("ｲﾝｽﾄｰﾙしますか?");
    case core::WayOut::HtmlToText: return QStringLiteral("HTML→テキスト処理を行いますか?");
    case core::WayOut::CleanAozora: return QStringLiteral("注記の整理を行いますか?");
    }
    return {};
}

}  // namespace

QString FormReadText(const core::Document& document) {
    return core::FormName(document.Code(), document.ByteOrderMark(), document.LineEndsRead(), QStringLiteral("改行混在"));
}

PlanQuestion QuestionOf(const core::WritePlan& plan, const PlanSeen& seen) {
    PlanQuestion question;
    QStringList lines;
    if (plan.replacesOther && !seen.target) {
        const QString name = core::FileNamePart(plan.target);
        lines << (plan.way == core::WayOut::Install ? QStringLiteral("%1 はすでにｲﾝｽﾄｰﾙ待ちです。置き換えます。")
                                                    : QStringLiteral("%1 はすでにあります。置き換えます。"))
                     .arg(name);
        question.caption = QStringLiteral("上書きの確認");
    }
    if (plan.formChanges && !seen.form) {
        lines << QStringLiteral("%1 で読み込んだ文書を %2 で保存します。")
                     .arg(FormReadText(plan.document), core::FormName(plan.form));
        if (question.caption.isEmpty()) question.caption = QStringLiteral("文字コードの変更");
    }
    if (plan.unwritableCount > 0) {
        QStringList named;
        for (std::size_t k = 0; k < plan.unwritable.size() && k < kNamed; ++k) named << Named(plan.unwritable[k]);
        QString list = named.join(QStringLiteral("、"));
        if (plan.unwritableCount > static_cast<std::size_t>(named.size())) list += QStringLiteral("など");
        lines << QStringLiteral("この文書には %1 にない文字が %2 個あります: %3。「→」の先の文字に置き換えます。")
                     .arg(core::CodeName(plan.form.code))
                     .arg(plan.unwritableCount)
                     .arg(list);
        question.caption = plan.way == core::WayOut::Save || plan.way == core::WayOut::Install
                               ? QStringLiteral("保存できない文字")
                               : QStringLiteral("Shift-JISにない文字");
    }
    if (lines.isEmpty()) return question;
    question.text = lines.join(u'\n') + u'\n' + Action(plan.way);
    return question;
}

}  // namespace verdane
