// Whether REF is a film: judged by its bytes, the same in every build.
#include "film/film.h"
#include "retime/film_reference.h"

namespace retime {

bool isFilmReference(const std::string& path) {
    if (path.empty() || path == "-") return false;
    const film::FileKind kind = film::sniffFile(path);
    return kind != film::FileKind::Text && kind != film::FileKind::Missing;
}

}  // namespace retime
