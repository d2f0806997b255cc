// libepoxy finds the OpenGL 1.0 to 1.2 functions in libGL.so.1, and that library brings
// libGLX and libX11 into a process that only renders off-screen; without it, epoxy probes for
// the GLX libraries before it resolves each other function. EGL hands out all the entry
// points (EGL_KHR_get_all_proc_addresses, which Mesa and the GL dispatch library offer), so
// epoxy's dispatch slots of the functions the program calls are filled from EGL instead.
#pragma once

// With an EGL context current and before the first OpenGL call; does nothing when the
// EGL library lacks the extension (epoxy then loads libGL.so.1 as usual). Once per process.
void RouteCoreGlThroughEgl();
