#include "ui/about_form.h"

#include "ui/artwork.h"
#include "ui/main_form.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

namespace quillory::ui {

namespace {

QString acknowledgements() {
    return QStringLiteral(
        "<P>Quillory is built with several freely available components and libraries.</P>"
        "<P>We would like to acknowledge the use of:</P>"
        "<P><B>Qt</B>, the cross-platform application and user-interface framework</P>"
        "<P><B>libcurl</B>, the multi-protocol file transfer library, for SMTP</P>"
        "<P><B>FreeXL</B>, for reading spreadsheet workbooks</P>"
        "<P><B>SimpleIni</B>, for reading and writing the settings file</P>");
}

} // namespace

const QStringList& TaboutForm::styleRules() {
    static const QStringList rules{QStringLiteral("P {font-size: 10pt}"),
                                   QStringLiteral("P { font-family: arial,  sans-serif}"),
                                   QStringLiteral("P { line-height: 120%}")};
    return rules;
}

TaboutForm::TaboutForm(TmainForm& mainForm) : QDialog(&mainForm, Qt::Tool | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TaboutForm"));
    setWindowTitle(QStringLiteral("Quillory"));
    setFixedSize(379, 239);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* upper = new QWidget(this);
    upper->setGeometry(0, 0, 379, 113);
    auto* line = new QFrame(upper);
    line->setGeometry(0, 110, 379, 3);
    line->setAutoFillBackground(true);
    QPalette linePal = line->palette();
    linePal.setColor(QPalette::Window, QColor(166, 202, 240)); // sky blue
    line->setPalette(linePal);

    Image2 = new QLabel(upper);
    Image2->setGeometry(8, 8, 100, 39);
    Image2->setPixmap(logoPicture());

    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(15);
    NixUrlLabel1 = new QLabel(upper);
    NixUrlLabel1->setFont(arial);
    NixUrlLabel1->setText(QString::fromLatin1(webAddress));
    NixUrlLabel1->move(14, 48);
    NixUrlLabel1->adjustSize();
    NixUrlLabel1->setCursor(Qt::PointingHandCursor);
    NixUrlLabel1->installEventFilter(this);
    setLinkHover(false);

    versionNixLabel = new QLabel(upper);
    versionNixLabel->setFont(arial);
    versionNixLabel->setText(QStringLiteral("quillory v0.97"));
    versionNixLabel->move(13, 80);
    versionNixLabel->adjustSize();

    Image1 = new QLabel(upper);
    Image1->setGeometry(272, 2, 100, 103);
    Image1->setPixmap(quillPicture(100, 103));

    ProfDHTMLEdit1 = new QTextBrowser(this);
    ProfDHTMLEdit1->setGeometry(0, 113, 379, 239 - 113);
    ProfDHTMLEdit1->setFrameShape(QFrame::NoFrame);
    ProfDHTMLEdit1->setOpenExternalLinks(true);

    ThreadedTimer1 = new QTimer(this);
    ThreadedTimer1->setInterval(500);
    ThreadedTimer1->setTimerType(Qt::PreciseTimer);
    connect(ThreadedTimer1, &QTimer::timeout, this, &TaboutForm::ThreadedTimer1Timer);
}

void TaboutForm::showEvent(QShowEvent* event) {
    // Each showing starts empty and fills the text half a second later.
    ProfDHTMLEdit1->clear();
    ProfDHTMLEdit1->document()->setDefaultStyleSheet(QString());
    ThreadedTimer1->start();
    QDialog::showEvent(event);
}

void TaboutForm::ThreadedTimer1Timer() {
    QString sheet;
    for (const QString& rule : styleRules()) sheet += rule + QLatin1Char('\n');
    ProfDHTMLEdit1->document()->setDefaultStyleSheet(sheet);
    ProfDHTMLEdit1->setHtml(acknowledgements());
    ThreadedTimer1->stop();
}

void TaboutForm::setLinkHover(bool hover) {
    QPalette p = NixUrlLabel1->palette();
    p.setColor(QPalette::WindowText, hover ? QColor(128, 0, 0) : QColor(0, 0, 255));
    NixUrlLabel1->setPalette(p);
    QFont f = NixUrlLabel1->font();
    f.setUnderline(hover);
    NixUrlLabel1->setFont(f);
}

bool TaboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == NixUrlLabel1) {
        switch (event->type()) {
        case QEvent::Enter: setLinkHover(true); break;
        case QEvent::Leave: setLinkHover(false); break;
        case QEvent::MouseButtonRelease:
            QDesktopServices::openUrl(QUrl(QString::fromLatin1(webAddress)));
            return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillory::ui
