#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace quillory::ui {

// Shown while the program starts; it refuses to close until its timer has fired once.
class TsplashScreen final : public QWidget {
    Q_OBJECT
public:
    TsplashScreen();
    // True once the timer has fired: start-up may go on.
    bool closeQuery() const;

    QLabel* Image1 = nullptr;
    QLabel* versionLabel = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Timer1Timer();
};

} // namespace quillory::ui
