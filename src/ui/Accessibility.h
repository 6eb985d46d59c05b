#pragma once

namespace vorlin {

// Lets assistive technology read the controls as people meet them: a combo box by its caption,
// with its text as its value (Qt on Linux would announce the text as its name), a read-only text
// box as text that cannot be edited, and a picture box as an image. Install before the first window
// is made (a control is read as it is when first asked for); installing again changes nothing.
void installAccessibility();

} // namespace vorlin
