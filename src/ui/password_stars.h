#pragma once

class QLineEdit;

// A password box that shows "*" for each typed character, whatever the
// platform style draws by default (Fusion uses a dot): counter staff count
// the stars. Sets the echo mode to Password as well.
void usePasswordStars(QLineEdit *edit);
