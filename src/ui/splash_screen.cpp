#include "ui/splash_screen.h"

#include "ui/artwork.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace quillory::ui {

TsplashScreen::TsplashScreen() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("splashScreen"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(QFont(QStringLiteral("Arial")));

    Image1 = new QLabel(this);
    Image1->setPixmap(splashPicture());
    Image1->setGeometry(0, 0, Image1->pixmap().width(), Image1->pixmap().height());

    versionLabel = new QLabel(this);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(16);
    versionLabel->setFont(f);
    versionLabel->setText(QStringLiteral("quillory v0.97"));
    versionLabel->move(56, 260);
    versionLabel->adjustSize();
    versionLabel->raise();

    Timer1 = new QTimer(this);
    Timer1->setInterval(3000);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5 % early
    connect(Timer1, &QTimer::timeout, this, &TsplashScreen::Timer1Timer);
    Timer1->start();

    resize(Image1->size());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TsplashScreen::Timer1Timer() { Timer1->stop(); }

bool TsplashScreen::closeQuery() const { return !Timer1->isActive(); }

void TsplashScreen::closeEvent(QCloseEvent* event) {
    if (closeQuery())
        event->accept();
    else
        event->ignore();
}

void TsplashScreen::showEvent(QShowEvent* event) {
    resize(Image1->pixmap().size());
    QWidget::showEvent(event);
}

} // namespace quillory::ui
