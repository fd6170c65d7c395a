#pragma once

#include <QDialog>

class QLabel;
class QTextBrowser;
class QTimer;

namespace quillory::ui {

class TmainForm;

// The about box: logo, web address, version, and the acknowledgements, which appear half a
// second after each showing.
class TaboutForm final : public QDialog {
    Q_OBJECT
public:
    explicit TaboutForm(TmainForm& mainForm);

    static inline const char* webAddress = "https://quillory.example.org";
    // The style rules given to the acknowledgements view, in the order they are added.
    static const QStringList& styleRules();

    QLabel* Image2 = nullptr;
    QLabel* NixUrlLabel1 = nullptr;
    QLabel* versionNixLabel = nullptr;
    QLabel* Image1 = nullptr;
    QTextBrowser* ProfDHTMLEdit1 = nullptr;
    QTimer* ThreadedTimer1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ThreadedTimer1Timer();
    void setLinkHover(bool hover);
};

} // namespace quillory::ui
