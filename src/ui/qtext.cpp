#include "ui/qtext.h"

#include "text/code_page.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace quillory::ui {

namespace {
const text::CodePage& codePage() { return text::CodePage::windows1252(); }
} // namespace

QString toQ(std::string_view bytes) {
    const std::u16string u = codePage().toUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::string fromQ(const QString& s, std::size_t* replaced) {
    return codePage().fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                                    static_cast<std::size_t>(s.size())),
                                replaced);
}

std::string paneText(const QPlainTextEdit* pane) {
    // toRawText keeps non-breaking spaces (toPlainText would turn them into spaces); its
    // paragraph and line separators are the pane's line breaks.
    QString raw = pane->document()->toRawText();
    raw.replace(QChar(0x2029), QLatin1Char('\n'));
    raw.replace(QChar(0x2028), QLatin1Char('\n'));
    const std::string bytes = fromQ(raw);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (char c : bytes) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

void setPaneText(QPlainTextEdit* pane, std::string_view bytes) {
    std::string normal;
    normal.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            normal.push_back('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            normal.push_back(bytes[i]);
        }
    }
    pane->setPlainText(toQ(normal));
}

} // namespace quillory::ui
