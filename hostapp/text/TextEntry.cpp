// The entry points of the text library: the character widths of the Unicode tables and the
// guessing of a text's encoding. Loaded beside the host's services library the first time either
// is asked for (a dialog's layout, a page without a declared encoding that is not UTF-8).
#include <uchardet/uchardet.h>
#include <utf8proc.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

// The cells the character c takes in a terminal: 2 wide, 1, or 0 (combining marks, controls).
extern "C" __attribute__((visibility("default"))) int zebhostCharWidth(std::int32_t c)
{
    // utf8proc follows the current Unicode tables (East Asian width, emoji presentation, combining
    // marks); it counts control characters 0 and anything outside Unicode 1.
    return utf8proc_charwidth(c);
}

// Writes the name of the encoding the bytes most likely are in to name (room bytes, ending with a
// NUL) and returns its length; 0 when nothing is guessed or the name does not fit.
extern "C" __attribute__((visibility("default"))) std::size_t zebhostGuessCharset(const char* bytes, std::size_t size,
                                                                                  char* name, std::size_t room)
{
    uchardet_t detector = uchardet_new();
    if (detector == nullptr)
        return 0;
    std::size_t length = 0;
    if (uchardet_handle_data(detector, bytes, size) == 0) {
        uchardet_data_end(detector);
        const char* guessed = uchardet_get_charset(detector);
        const std::size_t n = guessed != nullptr ? std::strlen(guessed) : 0;
        if (n > 0 && n < room) {
            std::memcpy(name, guessed, n + 1);
            length = n;
        }
    }
    uchardet_delete(detector);
    return length;
}
