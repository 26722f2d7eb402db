// REF from a film where this tessaly-retime reads no films (the Windows
// build, until FFmpeg's libraries are built for it): a film is still told
// from a subtitle, and refused with one clear message.
#include "retime/exit_status.h"
#include "retime/film_reference.h"
#include "retime/messages.h"

namespace retime {

int readFilmReference(const ReferenceOptions& options, FilmReference&, std::string& error) {
    error = say("REF '%s' is a film, and reading films is not built into this tessaly-retime", {options.reference});
    return kExitFileOrTime;
}

}  // namespace retime
