#pragma once

class QLineEdit;

namespace ossivant {

// While `box` holds more text than it can show, its tooltip is that whole
// text; while the text fits, the box has the tooltip it was given (if any).
// Follows the text, the box's size and its font for the box's lifetime.
void ShowWholeTextWhenCut(QLineEdit* box);

}  // namespace ossivant
