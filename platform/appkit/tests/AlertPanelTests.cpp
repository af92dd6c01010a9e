// Alerts as dialogs: what Escape and the close box answer. They cancel where
// a button cancels, and never pick a button that throws changes away.

#include "AppKitTesting.h"

#include "appkit/WindowScreen.h"
#include "core/Alert.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <string>
#include <vector>

using namespace kit;

namespace {

struct Buttons {
    std::string defaultButton, alternateButton, otherButton;
};

// Sends the keys (or closes the box for "close") to the alert once it is up,
// then clicks the button titled `click` if the alert is still there.
int answerWith(const Buttons& b, const std::string& how, const std::string& click)
{
    auto handler = detail::WindowScreen::makeAlertHandler();
    QTimer::singleShot(50, [how, click] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (how == "close") {
            box->close();
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
        }
        QTimer::singleShot(50, [click] {
            auto* still = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!still)
                return;
            for (QAbstractButton* button : still->buttons())
                if (button->text().toStdString() == click)
                    button->click();
        });
    });
    return handler->runAlertPanel("Title", "Message", b.defaultButton, b.alternateButton, b.otherButton);
}

} // namespace

TEST_F(AppKitTest, AlertEscapeAndCloseBoxCancelAndNeverDiscard)
{
    struct Case {
        Buttons buttons;
        std::string how;
        int answer;
    };
    // "-" as the button to click: none is left to click, the key answered.
    const std::vector<Case> cases = {
        {{"Save", "Don't Save", "Cancel"}, "escape", AlertOtherReturn},
        {{"Save", "Don't Save", "Cancel"}, "close", AlertOtherReturn},
        {{"Cancel", "Close and Save", ""}, "escape", AlertDefaultReturn},
        {{"Revert", "Cancel", ""}, "escape", AlertAlternateReturn},
        {{"Revert", "Cancel", ""}, "close", AlertAlternateReturn},
        {{"OK", "", ""}, "escape", AlertDefaultReturn},
    };
    for (const Case& c : cases)
        EXPECT_EQ(answerWith(c.buttons, c.how, "-"), c.answer)
            << c.buttons.defaultButton << "/" << c.buttons.alternateButton << "/" << c.buttons.otherButton << " "
            << c.how;

    // No button cancels: Escape and the close box leave the alert up, and the
    // user's own click answers.
    EXPECT_EQ(answerWith({"Print Anyway", "Options", ""}, "escape", "Options"), AlertAlternateReturn);
    EXPECT_EQ(answerWith({"Save", "Don't Save", ""}, "close", "Save"), AlertDefaultReturn);
}
