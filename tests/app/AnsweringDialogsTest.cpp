// Prepared answers take the start-up dialogs in order and never answer a question they do not
// fit; what is left goes to the operator.
#include "app/AnsweringDialogs.h"

#include "ScriptedDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelvan;
using zelvan::app::AnsweringDialogs;

TEST(AnsweringDialogs, AnswersInOrderThenHandsOverToTheOperator)
{
    ScriptedDialogs operatorDialogs;
    operatorDialogs.yesNoAnswers << true;
    AnsweringDialogs dialogs(operatorDialogs,
                             {"No", "text:/srv/videos", "ok", "file:/a/b.ipt", "Cancel", "YES"});
    EXPECT_FALSE(dialogs.askYesNo("Reset?", "Emergency Parameter Reset", DefaultAnswer::No));
    EXPECT_EQ(dialogs.input("Folder?", "Input", {}, {}), std::optional<QString>("/srv/videos"));
    dialogs.message("Please Verify all Setup Parameters", Icon::None, {});
    EXPECT_EQ(dialogs.openFile("Grid", "/a", "All|*.*|", 1), "/a/b.ipt");
    EXPECT_EQ(dialogs.saveFile("Grid", "/a", "All|*.*|", 1), QString()) << "Cancel";
    EXPECT_TRUE(dialogs.askYesNo("Quit?", {}, DefaultAnswer::Yes));
    EXPECT_TRUE(operatorDialogs.shown.isEmpty());

    // Used up: the operator answers.
    EXPECT_TRUE(dialogs.askYesNo("Quit?", {}, DefaultAnswer::No));
    ASSERT_EQ(operatorDialogs.shown.size(), 1);
    EXPECT_EQ(operatorDialogs.shown[0].byDefault, DefaultAnswer::No);
}

TEST(AnsweringDialogs, AnAnswerThatDoesNotFitDropsTheRestAndTheOperatorIsAsked)
{
    ScriptedDialogs operatorDialogs;
    operatorDialogs.inputAnswers << QString("/typed");
    AnsweringDialogs dialogs(operatorDialogs, {"Yes", "No"});
    // An input box is not answered by "Yes", nor is anything after it.
    EXPECT_EQ(dialogs.input("Folder?", "Input", {}, {}), std::optional<QString>("/typed"));
    EXPECT_TRUE(dialogs.pending().isEmpty());
    EXPECT_FALSE(dialogs.askYesNo("Reset?", {}, DefaultAnswer::No));
    EXPECT_EQ(operatorDialogs.texts(), QStringList({"Folder?", "Reset?"}));
}

TEST(AnsweringDialogs, ReadsOneAnswerALineAndNamesAFileItCannotRead)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("answers.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("No\r\n\r\n  text:C:\\videos\\  \nOK");
    file.close();
    const auto answers = AnsweringDialogs::readAnswers(file.fileName());
    ASSERT_TRUE(answers);
    EXPECT_EQ(*answers, QStringList({"No", "text:C:\\videos\\", "OK"}));
    const auto missing = AnsweringDialogs::readAnswers(dir.filePath("none.txt"));
    ASSERT_FALSE(missing);
    EXPECT_TRUE(missing.error().contains("none.txt")) << missing.error().toStdString();
}
