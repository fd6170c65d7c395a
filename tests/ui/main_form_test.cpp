#include "ui/main_form.h"
#include "ui/mailing_grid_model.h"
#include "ui/qtext.h"

#include "fakes.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillory::ui;
using quillory::ui::fakes::RecordingPrompter;
using quillory::ui::fakes::ShownMessage;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        context.exeDir = "/opt/quillory/";
        context.prompter = &prompter;
        form = std::make_unique<TmainForm>(context);
        form->resize(943, 716);
        form->show();
    }

    void loadGrid(std::vector<std::vector<std::string>> rows) {
        form->job().bufferGrid.assignRows(std::move(rows));
        form->normaliseGrid();
    }

    void clickCell(int gridRow, int gridCol) {
        QTableView* view = form->ProfGrid;
        const QModelIndex index = view->model()->index(gridRow - 1, gridCol - 1);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    void clickHeading(int gridCol) {
        QHeaderView* header = form->ProfGrid->horizontalHeader();
        const int x = header->sectionViewportPosition(gridCol - 1) + header->sectionSize(gridCol - 1) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    bool marked(int gridRow) {
        return form->gridModel->index(gridRow - 1, 0).data(Qt::UserRole).toBool();
    }

    RecordingPrompter prompter;
    AppContext context;
    std::unique_ptr<TmainForm> form;
};

const std::vector<std::vector<std::string>> kPeople{
    {"Name", "Email", "Town"},
    {"Ann", "ann@example.org", "Leeds"},
    {"Bob", "bob@example.org", "York"},
    {"Cy", "cy@example.org", "Hull"},
    {"Di", "di@example.org", "Ely"},
    {"Ed", "ed@example.org", "Bath"},
};

} // namespace

TEST_F(MainFormTest, DetectionChoosesTheOnlyAddressColumn) {
    loadGrid(kPeople);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(form->job().addressCol, 2);
    EXPECT_TRUE(form->SendDXBarButton->isEnabled());
    EXPECT_TRUE(form->testdxBarButton->isEnabled());
    EXPECT_EQ(form->addressColComboBox->count(), 3);
    EXPECT_EQ(form->addressColComboBox->currentText(), QStringLiteral("Email"));
    auto* model = form->ProfGrid->model();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 255, 0));
    EXPECT_FALSE(model->headerData(0, Qt::Horizontal, Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
              QStringLiteral("Insert in message template"));
    EXPECT_EQ(model->headerData(4, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("5"));
    const int h = QFontMetrics(form->ProfGrid->font()).height();
    EXPECT_EQ(form->ProfGrid->horizontalHeader()->height(), (3 * h + 9) / 2);
    EXPECT_TRUE(form->saveFileButton->isEnabled());
    EXPECT_TRUE(form->copyGridButton->isEnabled());
}

TEST_F(MainFormTest, DetectionWithoutAnAddressInTheFirstRecordSaysSoAndChoosesNothing) {
    loadGrid(kPeople);
    loadGrid({{"Name", "Email"}, {"Ann", "none"}, {"Bob", "bob@example.org"}});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], (ShownMessage{"", MessageIcon::Information, "no email address found in first record",
                                               MessageButtons::Ok}));
    EXPECT_EQ(form->job().addressCol, -1); // the previous grid's choice does not survive
    EXPECT_FALSE(form->SendDXBarButton->isEnabled());
    EXPECT_EQ(form->addressColComboBox->currentIndex(), -1);
}

TEST_F(MainFormTest, TwoAddressColumnsChooseNothingSilentlyUntilTheUserPicksOne) {
    loadGrid({{"Mail", "Name", "Mail"}, {"a@x", "Ann", "b@x"}});
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(form->job().addressCol, -1);
    EXPECT_FALSE(form->SendDXBarButton->isEnabled());

    // Equal headings: both turn lime, the right-most becomes the address column.
    form->addressColComboBox->setCurrentIndex(0);
    form->addressColComboBoxChange();
    EXPECT_EQ(form->job().addressCol, 3);
    EXPECT_TRUE(form->gridModel->isAddressHeading(1));
    EXPECT_TRUE(form->gridModel->isAddressHeading(3));
    EXPECT_FALSE(form->gridModel->isAddressHeading(2));
    EXPECT_TRUE(form->SendDXBarButton->isEnabled());
    EXPECT_TRUE(form->testdxBarButton->isEnabled());
}

TEST_F(MainFormTest, ClickingARowFillsTheGeneratedMessageAndMovesTheMark) {
    loadGrid(kPeople);
    form->setTemplateText("Dear {{name}} of {{Town}}");
    clickCell(3, 1);
    EXPECT_EQ(form->job().selectedRow, 3);
    EXPECT_EQ(form->generatedText(), "Dear Cy of Hull\r\n");
    EXPECT_TRUE(marked(3));

    clickCell(5, 3);
    EXPECT_EQ(form->generatedText(), "Dear Ed of Bath\r\n");
    EXPECT_TRUE(marked(5));
    EXPECT_FALSE(marked(3));
    EXPECT_EQ(form->job().markedRow, 5);

    // A heading cell is no row: nothing changes.
    clickHeading(1);
    EXPECT_EQ(form->job().selectedRow, 5);
}

TEST_F(MainFormTest, GeneratedMessageAlwaysEndsWithOneMoreLineBreak) {
    loadGrid(kPeople);
    struct Case {
        std::string templ;
        std::string expected;
    };
    const Case cases[] = {{"Hello", "Hello\r\n"}, {"Hello\r\n", "Hello\r\n\r\n"}, {"", "\r\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.templ);
        form->setTemplateText(c.templ);
        form->generateMessage(1);
        EXPECT_EQ(form->generatedText(), c.expected);
    }
    form->generateMessage(99); // not a row of this grid: the pane keeps its text
    EXPECT_EQ(form->generatedText(), "\r\n");
}

TEST_F(MainFormTest, HeadingButtonInsertsTheTokenAtTheCaret) {
    loadGrid(kPeople);
    form->setTemplateText("Hello  world\r\nsecond line");
    QTextCursor c = form->templateMemo->textCursor();
    c.setPosition(6);
    c.setPosition(11, QTextCursor::KeepAnchor); // a selection is not replaced: the token goes in front
    form->templateMemo->setTextCursor(c);
    clickHeading(1);
    EXPECT_EQ(form->templateText(), "Hello {{Name}} world\r\nsecond line");
    EXPECT_EQ(form->templateMemo->textCursor().position(), 6 + 4 + 4);
    EXPECT_EQ(form->mainPageControl->currentWidget(), form->messageTabSheet);
    EXPECT_TRUE(form->autoUpdateThreadedTimer->isActive()); // the insertion counts as a change
}

TEST_F(MainFormTest, PreviewRefreshesHalfASecondAfterTheLastChange) {
    loadGrid(kPeople);
    form->setTemplateText("Hi {{Name}}");
    clickCell(2, 1);
    EXPECT_EQ(form->generatedText(), "Hi Bob\r\n");

    form->mainPageControl->setCurrentWidget(form->messageTabSheet);
    form->templateMemo->setFocus();
    form->templateMemo->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->templateMemo, "!");
    // The key press disarmed the timer and the change it made armed a fresh wait.
    EXPECT_TRUE(form->autoUpdateThreadedTimer->isActive());
    EXPECT_EQ(form->autoUpdateThreadedTimer->interval(), 500);
    EXPECT_EQ(form->generatedText(), "Hi Bob\r\n"); // not yet

    QSignalSpy fired(form->autoUpdateThreadedTimer, &QTimer::timeout);
    ASSERT_TRUE(fired.wait(2000));
    EXPECT_EQ(form->generatedText(), "Hi Bob!\r\n");
    EXPECT_FALSE(form->autoUpdateThreadedTimer->isActive());
}

TEST_F(MainFormTest, BeforeARowIsChosenEditingTheTemplateGeneratesNothing) {
    loadGrid(kPeople);
    form->setTemplateText("Hi {{Name}}");
    QSignalSpy fired(form->autoUpdateThreadedTimer, &QTimer::timeout);
    ASSERT_TRUE(fired.wait(2000));
    EXPECT_EQ(form->generatedText(), "");
}

TEST_F(MainFormTest, ASmallerGridLeavesTheOldRowAlone) {
    loadGrid(kPeople);
    form->setTemplateText("{{Name}}");
    clickCell(5, 1);
    loadGrid({{"Name", "Email"}, {"Zed", "z@x"}});
    form->mark(true); // row 5 no longer exists: nothing is touched
    form->generateMessage(form->job().selectedRow);
    EXPECT_EQ(form->generatedText(), "Ed\r\n");
    EXPECT_FALSE(marked(1));
}

TEST_F(MainFormTest, TemplateCheckAsksAndNoStopsTheMailing) {
    loadGrid(kPeople);
    prompter.answers = {MessageAnswer::No, MessageAnswer::Yes};
    EXPECT_TRUE(form->checkTemplateTokens("Dear {{name}}, see {{Place}} and {{Place}}"));
    EXPECT_FALSE(form->checkTemplateTokens("{{Nope}}"));
    EXPECT_FALSE(form->checkTemplateTokens("{{Name}}}")); // incorrect brackets alone show nothing
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0], (ShownMessage{"Error", MessageIcon::Error,
                                               "missing tokens: Place, Place.\r\nDo you wish to continue?",
                                               MessageButtons::YesNo}));
}

TEST_F(MainFormTest, MessagePanesShareTheWidthAndTheScrollPosition) {
    const int w = form->messageTabSheet->width();
    EXPECT_EQ(form->templateGroupBox->width(), w / 2 - 3);
    EXPECT_EQ(form->autoGroupBox->width(), w / 2 - 3);
    EXPECT_EQ(form->autoGroupBox->x(), w / 2 + 3);

    loadGrid(kPeople);
    std::string longText;
    for (int i = 0; i < 200; ++i) longText += "line {{Name}}\r\n";
    form->setTemplateText(longText);
    form->mainPageControl->setCurrentWidget(form->messageTabSheet);
    form->generateMessage(1);
    form->templateMemo->verticalScrollBar()->setValue(40);
    EXPECT_EQ(form->AutoMemo->verticalScrollBar()->value(), 40);

    form->settings().trackTemplate = false;
    form->templateMemo->verticalScrollBar()->setValue(10);
    EXPECT_EQ(form->AutoMemo->verticalScrollBar()->value(), 40);
}
