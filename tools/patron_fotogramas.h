// The names of a zoom movie's frames: a pattern with one printf-style integer
// conversion, read and filled in by the program itself (the user's text is
// never a format string).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brenquil {

class PatronFotogramas {
public:
    // Reads `texto`, which must hold exactly one conversion %[flags][width]
    // [.precision]d (or i): flags among '-', '+', ' ', '0', width and
    // precision of at most two digits. "%%" is a percent sign; any other '%'
    // is refused. Nothing, with `motivo` saying why, when the text is not
    // such a pattern.
    static std::optional<PatronFotogramas> leer(std::string_view texto, std::string& motivo);

    // The name of frame k >= 0: the text with the conversion filled in as
    // printf fills it in.
    std::string nombre(int64_t k) const;

private:
    std::string antes_;
    std::string despues_;
    bool izquierda_ = false;  // '-'
    bool mas_ = false;        // '+'
    bool espacio_ = false;    // ' '
    bool ceros_ = false;      // '0'
    int ancho_ = 0;
    int precision_ = -1;      // none
};

}  // namespace brenquil
