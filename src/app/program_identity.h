#pragma once

class QApplication;

// What makes every window recognisably this program's: Qt's own dialogs,
// context menus and buttons in Chinese like the rest of the texts, and the
// program's icon on every window. Returns whether Qt's Chinese translation
// was found (a missing one leaves those texts in English, nothing else).
bool applyProgramIdentity(QApplication &app);
