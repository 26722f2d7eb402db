// REF from a film where this tessaly-retime reads no films (the Windows
// build, until FFmpeg's libraries are built for it): a film is still told
// from a subtitle, and refused with one clear message.
#include "retime/exit_status.h"
#include "retime/film_reference.h"

namespace retime {

bool filmReadingBuilt() { return false; }

int readFilmReference(const ReferenceOptions& options, FilmReference&, std::string& error, const FilmReading*) {
    error = "REF '" + options.reference + "' is a film, and reading films is not built into this tessaly-retime";
    return kExitFileOrTime;
}

}  // namespace retime
