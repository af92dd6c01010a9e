#pragma once

namespace kit::detail {

// On an X display every top-level window the program makes (its windows and
// panels, the menu bar and its menus, pop-up lists, alerts, file dialogs)
// is set up as soon as it exists:
// - it takes the screen's default colormap when it uses the screen's own
//   visual. Qt gives each window a colormap of its own even then, and
//   screenshot tools that honour colormaps (xwd -root) then assemble the
//   screen window by window and show some of them black: a pop-up list, a
//   window lying exactly on another;
// - its key events reach the key rebinding watcher (KeyRebindWatcher).
// Installing again does nothing; without an X display nothing is done.
void installXWindowSetup();

} // namespace kit::detail
