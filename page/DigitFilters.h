#pragma once

namespace kestrin {

class CEditUI;

// Filters for number boxes, run as the text changes.

// Removes what is not a digit from the box and puts the caret at the end.
void FilterDigits(CEditUI& edit);
// Keeps digits and "-" only.
void FilterSignedDigits(CEditUI& edit);

} // namespace kestrin
