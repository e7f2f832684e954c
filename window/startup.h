#pragma once

namespace dipview::window {

class Form1;

/// Shows the window at its stored position with the client area grown to
/// show everything, or maximised where the screen is too small for that.
void ShowAtStartUp(Form1& form);

}  // namespace dipview::window
