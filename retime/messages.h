// The tool's messages in the user's language (messages/messages.h), by their
// short names in the tool's own code.
#pragma once

#include "messages/messages.h"

namespace retime {

using messages::fillPattern;
using messages::say;
using messages::sayCount;
using messages::shown;
using messages::tr;
using messages::trCount;
using messages::useUserLanguage;

}  // namespace retime
