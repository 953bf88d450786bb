#include "Prompts.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace verdane {

namespace {

TPrompts* g_prompts = nullptr;

// How long the folder opener may take to say whether it found a file manager.
constexpr int kFolderOpenerWaitMs = 2000;

// "*.TXT" matches "a.txt" too: the file dialog compares names with case on Linux,
// so each pattern is given in upper and lower case.
QString PatternsAnyCase(const QString& patterns) {
    QStringList out;
    for (const QString& p : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString t = p.trimmed();
        if (!out.contains(t)) out << t;
        if (!out.contains(t.toLower())) out << t.toLower();
        if (!out.contains(t.toUpper())) out << t.toUpper();
    }
    return out.join(u' ');
}

void Prepare(QFileDialog& dialog, const TFileDialogState& state) {
    const QStringList filters = FileDialogNameFilters(state.Filter);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(filters);
    if (state.FilterIndex >= 1 && state.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[state.FilterIndex - 1]);
    if (!state.InitialDir.isEmpty()) dialog.setDirectory(state.InitialDir);
    if (!state.FileName.isEmpty()) dialog.selectFile(state.FileName);
}

bool Finish(QFileDialog& dialog, TFileDialogState& state) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    state.FileName = dialog.selectedFiles().constFirst();
    const int index = NameFilterIndex(FileDialogNameFilters(state.Filter), dialog.selectedNameFilter());
    if (index >= 0) state.FilterIndex = index + 1;
    return true;
}

}  // namespace

int NameFilterIndex(const QStringList& filters, const QString& selected) {
    // With the patterns hidden the dialog gives the filter's caption alone
    // ("DOCﾌｧｲﾙ(*.PDB)"), without the " (patterns)" the filter was given with.
    const QString wanted = selected.trimmed();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters[i];
        const qsizetype open = filter.lastIndexOf(QStringLiteral(" ("));
        if (filter == selected || (open >= 0 && filter.left(open).trimmed() == wanted)) return static_cast<int>(i);
    }
    return -1;
}

QStringList FileDialogNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) out << parts[i] + QStringLiteral(" (") + PatternsAnyCase(parts[i + 1]) + QLatin1Char(')');
    return out;
}

QMessageBox::StandardButton TPrompts::Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                              const QString& text, QMessageBox::StandardButtons buttons,
                                              const QString& detail) {
    QMessageBox box(icon, caption, text, buttons, parent);
    if (!detail.isEmpty()) box.setInformativeText(detail);
    // The program's own words on the buttons, whatever Qt's translations hold.
    const std::pair<QMessageBox::StandardButton, const char*> words[] = {
        {QMessageBox::Yes, "はい(&Y)"}, {QMessageBox::No, "いいえ(&N)"}, {QMessageBox::Cancel, "キャンセル"}};
    for (const auto& [button, word] : words)
        if (QAbstractButton* b = box.button(button)) b->setText(QString::fromUtf8(word));
    // Esc and the title bar's close button answer Cancel where it is offered,
    // so a box that guards the text never takes them for No.
    if (buttons.testFlag(QMessageBox::Cancel)) box.setEscapeButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool TPrompts::ChooseOpenFile(QWidget* parent, TFileDialogState& state) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    Prepare(dialog, state);
    return Finish(dialog, state);
}

bool TPrompts::ChooseSaveFile(QWidget* parent, TFileDialogState& state) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    Prepare(dialog, state);
    return Finish(dialog, state);
}

int TPrompts::RunDialog(QDialog& dialog) { return dialog.exec(); }

bool TPrompts::OpenFolder(const QString& path) {
    // xdg-open starts the desktop's file manager. Qt would start it detached and
    // report success even when it then finds no file manager, so it is run here
    // and its exit status read: it ends at once when it hands the folder over
    // (or fails), and a file manager it runs in its place is given a moment and
    // then left running, also after this program ends.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->setProgram(opener);
    process->setArguments({path});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (!process->waitForFinished(kFolderOpenerWaitMs)) return true;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

TPrompts& Prompts() {
    static TPrompts own;
    return g_prompts ? *g_prompts : own;
}

void SetPrompts(TPrompts* prompts) { g_prompts = prompts; }

}  // namespace verdane
