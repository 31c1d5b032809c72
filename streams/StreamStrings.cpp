#include "StreamStrings.h"

namespace sondrel::streams {

std::string LoadStr(int id)
{
    switch (id) {
    case sDefaultStreamCaption:
        return "<default>";
    case sUnnamedStreamCaption:
        return "<no name>";
    case sStreamNotLoaded:
        return "Not loaded: this listing has already loaded 64 MB of stream content";
    default:
        return {};
    }
}

} // namespace sondrel::streams
