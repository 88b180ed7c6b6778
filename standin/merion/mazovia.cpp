// The host's conversion from the Mazovia code page (code 1) to Windows-1250
// (code 3). Bytes below 0x80 are the same in both. Above, Mazovia is the PC
// code page 437 with the eighteen Polish letters in place of some of its
// accented letters; every letter that Windows-1250 also has keeps its shape,
// and each other glyph becomes the nearest plain character.
#include "standin.h"

namespace {

const unsigned char MazoviaToWindows1250[128] = {
    // 0x80: Ç ü é â ä à ą ç ê ë è ï î ć Ä Ą
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 'a', 0xB9, 0xE7, 'e', 0xEB, 'e', 'i', 0xEE, 0xE6, 0xC4, 0xA5,
    // 0x90: Ę ę ł ô ö Ć û ù Ś Ö Ü ¢ Ł ¥ ś ƒ
    0xCA, 0xEA, 0xB3, 0xF4, 0xF6, 0xC6, 'u', 'u', 0x8C, 0xD6, 0xDC, 'c', 0xA3, 'Y', 0x9C, 'f',
    // 0xA0: Ź Ż ó Ó ń Ń ź ż ¿ ⌐ ¬ ½ ¼ ¡ « »
    0x8F, 0xAF, 0xF3, 0xD3, 0xF1, 0xD1, 0x9F, 0xBF, '?', '-', 0xAC, '?', '?', '!', 0xAB, 0xBB,
    // 0xB0: ░ ▒ ▓ │ ┤ ╡ ╢ ╖ ╕ ╣ ║ ╗ ╝ ╜ ╛ ┐
    '#', '#', '#', '|', '+', '+', '+', '+', '+', '+', '|', '+', '+', '+', '+', '+',
    // 0xC0: └ ┴ ┬ ├ ─ ┼ ╞ ╟ ╚ ╔ ╩ ╦ ╠ ═ ╬ ╧
    '+', '+', '+', '+', '-', '+', '+', '+', '+', '+', '+', '+', '+', '=', '+', '+',
    // 0xD0: ╨ ╤ ╥ ╙ ╘ ╒ ╓ ╫ ╪ ┘ ┌ █ ▄ ▌ ▐ ▀
    '+', '+', '+', '+', '+', '+', '+', '+', '+', '+', '+', '#', '#', '#', '#', '#',
    // 0xE0: α ß Γ π Σ σ µ τ Φ Θ Ω δ ∞ φ ε ∩
    'a', 0xDF, 'G', 'p', 'S', 's', 0xB5, 't', 'F', 'T', 'O', 'd', '8', 'f', 'e', 'n',
    // 0xF0: ≡ ± ≥ ≤ ⌠ ⌡ ÷ ≈ ° ∙ · √ ⁿ ² ■ nbsp
    '=', 0xB1, '>', '<', '(', ')', 0xF7, '~', 0xB0, 0xB7, 0xB7, 'v', 'n', '2', '#', 0xA0,
};

}  // namespace

STANDIN_API void StandIn_MazoviaToWindows1250(const char* source, char* target, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char byte = (unsigned char)source[i];
        target[i] = (char)(byte < 0x80 ? byte : MazoviaToWindows1250[byte - 0x80]);
    }
}
