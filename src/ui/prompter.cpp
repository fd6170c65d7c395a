#include "ui/prompter.h"

#include "ui/qtext.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace quillory::ui {

MessageAnswer QtPrompter::show(const std::string& caption, MessageIcon icon, const std::string& text,
                               MessageButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(toQ(caption));
    box.setText(toQ(text));
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

namespace {
QString joinFilters(const std::vector<std::string>& filters) {
    QStringList list;
    for (const auto& f : filters) list << toQ(f);
    return list.join(QStringLiteral(";;"));
}
int indexOf(const std::vector<std::string>& filters, const QString& chosen) {
    for (std::size_t i = 0; i < filters.size(); ++i)
        if (toQ(filters[i]) == chosen) return static_cast<int>(i);
    return 0;
}
} // namespace

std::optional<FileChoice> QtFileChooser::openFile(const std::string& caption, const std::string& dir,
                                                  const std::vector<std::string>& filters, int filterIndex) {
    QString selected = filterIndex >= 0 && filterIndex < static_cast<int>(filters.size()) ? toQ(filters[filterIndex])
                                                                                             : QString();
    const QString path = QFileDialog::getOpenFileName(QApplication::activeWindow(), toQ(caption), toQ(dir),
                                                      joinFilters(filters), &selected);
    if (path.isEmpty()) return std::nullopt;
    return FileChoice{fromQ(path), indexOf(filters, selected)};
}

std::vector<std::string> QtFileChooser::openFiles(const std::string& caption, const std::string& dir,
                                                  const std::vector<std::string>& filters) {
    std::vector<std::string> out;
    for (const QString& p :
         QFileDialog::getOpenFileNames(QApplication::activeWindow(), toQ(caption), toQ(dir), joinFilters(filters)))
        out.push_back(fromQ(p));
    return out;
}

std::optional<FileChoice> QtFileChooser::saveFile(const std::string& caption, const std::string& proposed,
                                                  const std::vector<std::string>& filters, int filterIndex,
                                                  bool confirmOverwrite) {
    QString selected = filterIndex >= 0 && filterIndex < static_cast<int>(filters.size()) ? toQ(filters[filterIndex])
                                                                                             : QString();
    const QString path = QFileDialog::getSaveFileName(
        QApplication::activeWindow(), toQ(caption), toQ(proposed), joinFilters(filters), &selected,
        confirmOverwrite ? QFileDialog::Options() : QFileDialog::Options(QFileDialog::DontConfirmOverwrite));
    if (path.isEmpty()) return std::nullopt;
    return FileChoice{fromQ(path), indexOf(filters, selected)};
}

} // namespace quillory::ui
