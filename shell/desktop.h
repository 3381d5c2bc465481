#pragma once
// Starts the desktop program; on a machine without a display says so and
// shows how to use the command line instead.
namespace corvelane::gui {
int RunDesktop(int argc, char** argv);
}
