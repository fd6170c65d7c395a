#pragma once
// The one place where the windows turn the program's code-page bytes into Qt's Unicode and
// back. Line breaks: the model's CR LF becomes the editor's paragraph break and back.

#include <QString>

#include <string>
#include <string_view>

class QPlainTextEdit;

namespace quillory::ui {

QString toQ(std::string_view bytes);
std::string fromQ(const QString& s, std::size_t* replaced = nullptr);

// Text of a multi-line pane with CR LF line ends, in the code page.
std::string paneText(const QPlainTextEdit* pane);
// Shows code-page text with any of CR LF, CR or LF as line ends.
void setPaneText(QPlainTextEdit* pane, std::string_view bytes);

} // namespace quillory::ui
