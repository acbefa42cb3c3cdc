#include "ui/password_stars.h"

#include <QLineEdit>

void usePasswordStars(QLineEdit *edit)
{
    edit->setEchoMode(QLineEdit::Password);
    // The style sheet property touches only the mask character; the box keeps
    // the look of the platform style otherwise.
    const QString rule = QStringLiteral("QLineEdit { lineedit-password-character: 42; }");
    if (!edit->styleSheet().contains(rule))
        edit->setStyleSheet(edit->styleSheet() + rule);
}
