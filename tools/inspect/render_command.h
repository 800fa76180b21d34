// `mavrel-inspect render`: the launcher's client area drawn without a
// display, as a PNG picture.
#pragma once

namespace mavrel {

/// Runs "render" with its own arguments (argv[0] is "render"). Gives the
/// exit status: 0 written, 1 when the medium cannot be drawn in the state
/// asked for or the picture cannot be written, 2 for a folder that cannot be
/// entered or holds no settings file, an unknown section or wrong
/// arguments.
int RunRenderCommand(int argc, char** argv);

/// What `mavrel-inspect render` says in a build without it.
constexpr const char* kRenderNotBuilt =
    "mavrel-inspect: render is not built into this mavrel-inspect (it needs the desktop\n"
    "launcher's drawing code and libpng); the Linux tool of a regular build has it\n";

}  // namespace mavrel
