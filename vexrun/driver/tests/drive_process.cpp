#include "vexrun/driver/tests/drive_process.h"

#include <cstdlib>

namespace drive::testing {

std::string buildDir() {
    const char* d = std::getenv("TESSALY_BUILD_DIR");
    return d ? d : ".";
}

DriveResult runDrive(const std::string& script, const std::vector<std::string>& env, double timeoutSeconds,
                     const std::vector<std::string>& args) {
#ifdef _WIN32
    // The Windows build has no image of its own: it runs the Linux build's,
    // the very file its launcher embeds.
    std::vector<std::string> driveArgs = args;
    bool namesImage = false;
    for (const std::string& a : args) namesImage = namesImage || a == "--image";
    if (!namesImage) driveArgs.insert(driveArgs.begin(), {"--image", TESSALY_DRIVE_IMAGE});
    return runProcess(buildDir() + "/bin/tessaly-drive.exe", driveArgs, script, env, timeoutSeconds);
#else
    return runProcess(buildDir() + "/bin/tessaly-drive", args, script, env, timeoutSeconds);
#endif
}

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < s.size()) {
        size_t nl = s.find('\n', start);
        if (nl == std::string::npos) nl = s.size();
        out.push_back(s.substr(start, nl - start));
        start = nl + 1;
    }
    return out;
}

}  // namespace drive::testing
