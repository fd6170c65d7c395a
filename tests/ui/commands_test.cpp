#include "ui/about_form.h"
#include "ui/main_form.h"
#include "ui/startup.h"

#include "fakes.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QWidgetAction>

#include <gtest/gtest.h>

using namespace quillory::ui;

namespace {

class CommandsTest : public ::testing::Test {
protected:
    CommandsTest() {
        context.exeDir = "/opt/quillory/";
        context.prompter = &prompter;
        windows = createWindows(context);
        form = windows->mainForm.get();
        form->resize(943, 716);
        form->show();
    }

    static QStringList captions(const QList<QAction*>& actions) {
        QStringList out;
        for (QAction* a : actions) {
            if (a->isSeparator()) {
                out << QStringLiteral("|");
            } else if (qobject_cast<QWidgetAction*>(a)) {
                out << QStringLiteral("Font size");
            } else {
                out << a->text();
            }
        }
        return out;
    }

    fakes::RecordingPrompter prompter;
    AppContext context;
    std::unique_ptr<AppWindows> windows;
    TmainForm* form = nullptr;
};

} // namespace

TEST_F(CommandsTest, EveryCommandHasItsCaptionHintAndInitialState) {
    struct Row {
        QAction* action;
        const char* caption;
        const char* hint;
        bool enabled;
        int pressed; // -1: not a toggle
    };
    const Row rows[] = {
        {form->openFileButton, "Open File", "Open File", true, -1},
        {form->openGridButton, "&Open Grid", "Open grid", true, -1},
        {form->openTemplateButton, "O&pen Template", "Open Template", true, -1},
        {form->saveFileButton, "Save File", "Save File", false, -1},
        {form->exitButton, "&Exit", "Exit", true, -1},
        {form->SendDXBarButton, "&Send", "Send email", false, -1},
        {form->attachButton, "&Attach", "Add attachments", true, -1},
        {form->removeAttachmentButton, "&Remove attachment", "Remove attachments", false, -1},
        {form->senderButton, "S&ender", "Set sender...", true, -1},
        {form->autoGridResizeButton, "Auto Grid Resize", "Auto Grid Resize", true, 1},
        {form->configureButton, "Configure...", "Configure", true, -1},
        {form->showToolbarButton, "Show Toolbar", "Show Toolbar", true, 1},
        {form->helpButton, "&Help", "Help", true, -1},
        {form->aboutButton, "&About", "About", true, -1},
        {form->copyGridButton, "&Copy Grid", "Copy Grid", false, -1},
        {form->copyTemplateButton, "C&opy Template", "Copy Template", false, -1},
        {form->testdxBarButton, "Test", "Test", false, 1},
        {form->runEmaildxBarButton, "Run", "Run", false, -1},
        {form->PauseEmaildxBarButton, "Pause", "Pause", false, -1},
        {form->stopEmaildxBarButton, "Stop", "Stop", false, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.caption);
        EXPECT_EQ(r.action->text(), QString::fromUtf8(r.caption));
        EXPECT_EQ(r.action->toolTip(), QString::fromUtf8(r.hint));
        EXPECT_EQ(r.action->isEnabled(), r.enabled);
        EXPECT_EQ(r.action->isCheckable(), r.pressed >= 0);
        if (r.pressed >= 0) {
            EXPECT_EQ(r.action->isChecked(), r.pressed == 1);
        }
    }
    EXPECT_EQ(form->pasteGridButton->text(), QStringLiteral("&Paste to Grid"));
    EXPECT_EQ(form->pasteTemplateButton->toolTip(), QStringLiteral("Paste to Template"));
    EXPECT_EQ(form->viewLogButton->text(), QStringLiteral("&View Log"));
    EXPECT_EQ(form->fontSizedxBarSpinEdit->minimum(), 8);
    EXPECT_EQ(form->fontSizedxBarSpinEdit->maximum(), 14);
    EXPECT_EQ(form->fontSizedxBarSpinEdit->toolTip(), QStringLiteral("Font size"));
    EXPECT_FALSE(form->emailMenu->isEnabled()); // until the first job file is read
}

TEST_F(CommandsTest, ToolbarAndMenusKeepTheirOrder) {
    EXPECT_EQ(captions(form->generalToolBar->actions()),
              (QStringList{"Open File", "&Open Grid", "O&pen Template", "Save File", "|", "&Copy Grid",
                           "&Paste to Grid", "C&opy Template", "P&aste to Template", "|", "Test", "&Attach",
                           "&Remove attachment", "&Send", "|", "Auto Grid Resize", "&View Log", "Font size"}));
    EXPECT_EQ(captions(form->emailControlToolBar->actions()), (QStringList{"Run", "Pause", "Stop"}));
    QStringList menus;
    for (QAction* a : form->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "E&mail", "&Options", "&Log", "&Windows"}));
    EXPECT_EQ(captions(form->emailMenu->actions()),
              (QStringList{"&Send", "|", "&Attach", "&Remove attachment", "|", "S&ender"}));
    EXPECT_EQ(captions(form->optionsMenu->actions()), (QStringList{"Font size", "Auto Grid Resize", "Configure..."}));
    EXPECT_EQ(captions(form->logMenu->actions()), (QStringList{"&View Log"}));
    EXPECT_EQ(captions(form->windowsMenu->actions()), (QStringList{"Show Toolbar", "&Help", "&About"}));
}

TEST_F(CommandsTest, PasteCommandsFollowTheClipboard) {
    QApplication::clipboard()->setText(QStringLiteral("Name\tEmail"));
    EXPECT_TRUE(form->pasteGridButton->isEnabled());
    EXPECT_TRUE(form->pasteTemplateButton->isEnabled());
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    EXPECT_FALSE(form->pasteGridButton->isEnabled());
    EXPECT_FALSE(form->pasteTemplateButton->isEnabled());
}

TEST_F(CommandsTest, CopyTemplateFollowsTheTemplateAndGridCommandsFollowTheGrid) {
    form->setTemplateText("Hello");
    EXPECT_TRUE(form->copyTemplateButton->isEnabled());
    form->setTemplateText("");
    EXPECT_FALSE(form->copyTemplateButton->isEnabled());

    form->job().bufferGrid.assignRows({{"Email"}, {"a@x"}});
    form->normaliseGrid();
    EXPECT_TRUE(form->saveFileButton->isEnabled());
    EXPECT_TRUE(form->copyGridButton->isEnabled());
    form->job().bufferGrid.assignRows({{"Email"}});
    form->normaliseGrid();
    EXPECT_FALSE(form->saveFileButton->isEnabled());
}

TEST_F(CommandsTest, ShowToolbarHidesOnlyTheEmailControlBarWhenBothAreVisible) {
    form->emailControlToolBar->setVisible(true);
    form->showToolbarButton->trigger();
    EXPECT_TRUE(form->generalToolBar->isVisible());
    EXPECT_FALSE(form->emailControlToolBar->isVisible());

    form->generalToolBar->setVisible(false);
    form->showToolbarButton->trigger();
    EXPECT_TRUE(form->generalToolBar->isVisible());
    EXPECT_TRUE(form->emailControlToolBar->isVisible());
}

TEST_F(CommandsTest, TextSizeWithAutoGridResizeOffKeepsColumnWidths) {
    form->job().bufferGrid.assignRows({{"Name", "Email"}, {"Ann", "ann@example.org"}});
    form->normaliseGrid();
    form->autoGridResizeButton->trigger(); // released
    EXPECT_FALSE(form->settings().autoGridResize);
    const int width = form->ProfGrid->columnWidth(1);
    const int rowHeight = form->ProfGrid->rowHeight(0);
    form->fontSizedxBarSpinEdit->setValue(14);
    EXPECT_EQ(form->settings().textSize, 14);
    EXPECT_EQ(form->templateMemo->font().pointSize(), 14);
    EXPECT_EQ(form->ProfGrid->columnWidth(1), width);
    EXPECT_GT(form->ProfGrid->rowHeight(0), rowHeight);
    // Every row fits its one line of text.
    EXPECT_GE(form->ProfGrid->rowHeight(0), form->ProfGrid->sizeHintForIndex(form->ProfGrid->model()->index(0, 0)).height());
    EXPECT_LE(form->ProfGrid->rowHeight(0), form->ProfGrid->sizeHintForIndex(form->ProfGrid->model()->index(0, 0)).height() + 4);
    const int h = QFontMetrics(form->ProfGrid->font()).height();
    EXPECT_EQ(form->ProfGrid->horizontalHeader()->height(), (3 * h + 9) / 2);

    form->autoGridResizeButton->trigger(); // pressed again: fits at once
    EXPECT_GT(form->ProfGrid->columnWidth(1), width);
}

TEST_F(CommandsTest, GridKeyboardCommandsChangeCellsWithoutNormalising) {
    form->job().bufferGrid.assignRows({{"Name", "Email"}, {"Ann", "ann@x"}, {"Bob", "bob@x"}});
    form->normaliseGrid();
    form->ProfGrid->setFocus();
    form->ProfGrid->setCurrentIndex(form->ProfGrid->model()->index(0, 0));
    QTest::keyClick(form->ProfGrid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Ann"));
    QTest::keyClick(form->ProfGrid, Qt::Key_Delete);
    EXPECT_EQ(form->job().mailingGrid.cell(1, 1), "Ann");
    QTest::keyClick(form->ProfGrid, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(form->job().mailingGrid.cell(1, 1), "");
    QApplication::clipboard()->setText(QStringLiteral("X\tY\tZ\r\nP\tQ\r\nbeyond"));
    QTest::keyClick(form->ProfGrid, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(form->job().mailingGrid.cell(1, 1), "X");
    EXPECT_EQ(form->job().mailingGrid.cell(2, 1), "Y");
    EXPECT_EQ(form->job().mailingGrid.cell(1, 2), "P");
    EXPECT_EQ(form->job().mailingGrid.columnCount(), 3); // nothing beyond the grid
    EXPECT_EQ(form->job().mailingGrid.rowCount(), 3);
    EXPECT_EQ(form->job().addressCol, 2); // no detection ran
}

TEST_F(CommandsTest, AboutBoxFillsItsTextHalfASecondAfterEachShowing) {
    TaboutForm* about = windows->aboutForm.get();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("Quillory"));
    EXPECT_EQ(about->size(), QSize(379, 239));
    EXPECT_EQ(about->versionNixLabel->text(), QStringLiteral("quillory v0.97"));
    for (int showing = 0; showing < 2; ++showing) {
        about->show();
        EXPECT_TRUE(about->ProfDHTMLEdit1->toPlainText().isEmpty());
        QSignalSpy fired(about->ThreadedTimer1, &QTimer::timeout);
        ASSERT_TRUE(fired.wait(2000));
        EXPECT_TRUE(about->ProfDHTMLEdit1->toPlainText().contains(QStringLiteral("We would like to acknowledge the use of:")));
        EXPECT_TRUE(about->ProfDHTMLEdit1->toPlainText().contains(QStringLiteral("libcurl")));
        EXPECT_EQ(about->ProfDHTMLEdit1->document()->defaultStyleSheet(),
                  QStringLiteral("P {font-size: 10pt}\nP { font-family: arial,  sans-serif}\nP { line-height: 120%}\n"));
        EXPECT_FALSE(about->ThreadedTimer1->isActive());
        about->hide();
    }
}
