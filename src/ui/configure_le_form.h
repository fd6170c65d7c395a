#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillory::ui {

class TmainForm;

// Edits the sender name and address. OK (or Esc) takes the edits over; the close box drops them.
class TconfigureLEForm final : public QDialog {
    Q_OBJECT
public:
    explicit TconfigureLEForm(TmainForm& mainForm);

    // Where the dialog opens: above a sender button, beside the grid, or in the screen's middle.
    void placeAboveButton(const QPoint& buttonTopLeft);
    void placeBesideGrid();
    void placeCentred();

    QLineEdit* fromNameEdit = nullptr;
    QLineEdit* FromAddressEdit = nullptr;
    QPushButton* OKButton = nullptr;

public slots:
    void OKButtonClick();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void moveClamped(int left, int top);

    TmainForm& m_mainForm;
    bool m_closeBox = false;
};

} // namespace quillory::ui
