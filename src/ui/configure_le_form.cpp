#include "ui/configure_le_form.h"

#include "ui/main_form.h"
#include "ui/qtext.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace quillory::ui {

TconfigureLEForm::TconfigureLEForm(TmainForm& mainForm)
    : QDialog(&mainForm, Qt::Tool | Qt::WindowCloseButtonHint), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TconfigureLEForm"));
    setWindowTitle(QStringLiteral("Sender"));
    setModal(true);
    auto* layout = new QGridLayout(this);
    fromNameEdit = new QLineEdit(this);
    fromNameEdit->setObjectName(QStringLiteral("fromNameEdit"));
    FromAddressEdit = new QLineEdit(this);
    FromAddressEdit->setObjectName(QStringLiteral("FromAddressEdit"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    layout->addWidget(new QLabel(QStringLiteral("From Name"), this), 0, 0);
    layout->addWidget(fromNameEdit, 1, 0);
    layout->addWidget(OKButton, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("From Address"), this), 2, 0);
    layout->addWidget(FromAddressEdit, 3, 0);
    layout->setColumnStretch(0, 1);
    connect(OKButton, &QPushButton::clicked, this, &TconfigureLEForm::OKButtonClick);
    resize(311, 107);
}

void TconfigureLEForm::showEvent(QShowEvent* event) {
    const int size = m_mainForm.settings().textSize;
    for (QLineEdit* e : {fromNameEdit, FromAddressEdit}) {
        QFont f = e->font();
        f.setPointSize(size);
        e->setFont(f);
    }
    fromNameEdit->setText(toQ(m_mainForm.job().fromName));
    FromAddressEdit->setText(toQ(m_mainForm.job().fromAddress));
    QDialog::showEvent(event);
}

void TconfigureLEForm::OKButtonClick() {
    auto& job = m_mainForm.job();
    job.fromName = fromQ(fromNameEdit->text());
    job.fromAddress = fromQ(FromAddressEdit->text());
    m_mainForm.showSender();
    QDialog::accept();
}

void TconfigureLEForm::reject() {
    // Esc presses OK; only the close box leaves without taking the edits over.
    if (m_closeBox)
        QDialog::reject();
    else
        OKButtonClick();
}

void TconfigureLEForm::closeEvent(QCloseEvent* event) {
    m_closeBox = true;
    QDialog::closeEvent(event);
    m_closeBox = false;
}

void TconfigureLEForm::moveClamped(int left, int top) { move(std::max(0, left), std::max(0, top)); }

void TconfigureLEForm::placeAboveButton(const QPoint& buttonTopLeft) {
    moveClamped(buttonTopLeft.x() - width() / 2, buttonTopLeft.y() - height());
}

void TconfigureLEForm::placeBesideGrid() { move(m_mainForm.dialogPlace()); }

void TconfigureLEForm::placeCentred() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize s = screen ? screen->geometry().size() : QSize(0, 0);
    moveClamped((s.width() - width()) / 2, (s.height() - height()) / 2);
}

} // namespace quillory::ui
