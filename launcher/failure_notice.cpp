#include "launcher/failure_notice.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "launcher/launcher_texts.h"

extern char** environ;

namespace launcher {
namespace {

bool isSet(const char* name) {
    const char* value = getenv(name);
    return value && *value;
}

// The dialog helper beside the executable's real file. The full path is read
// here: the helper is ours and is not subject to the library search rules.
bool dialogHelperPath(char* out, size_t size) {
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) return false;
    exe[length] = '\0';
    char* slash = strrchr(exe, '/');
    if (!slash) return false;
    slash[1] = '\0';
    const int written = snprintf(out, size, "%s%s", exe, kDialogHelperName);
    return written > 0 && static_cast<size_t>(written) < size && access(out, X_OK) == 0;
}

void showDialog() {
    char helper[PATH_MAX];
    if (!dialogHelperPath(helper, sizeof helper)) return;
    char caption[sizeof kFailureCaption];
    char text[sizeof kFailureText];
    memcpy(caption, kFailureCaption, sizeof caption);
    memcpy(text, kFailureText, sizeof text);
    char* argv[] = {helper, caption, text, nullptr};
    // The message is on standard error already; what the window system says
    // while showing it is not added there.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int spawned = posix_spawn(&pid, helper, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return;
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

bool displayAvailable() {
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) return false;
    const char* platform = getenv("QT_QPA_PLATFORM");
    return !platform || (strcmp(platform, "offscreen") != 0 && strcmp(platform, "minimal") != 0);
}

void reportFailure() {
    fprintf(stderr, "%s: %s\n", kFailureCaption, kFailureText);
    fflush(stderr);
    if (displayAvailable()) showDialog();
}

}  // namespace launcher
