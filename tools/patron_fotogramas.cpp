#include "patron_fotogramas.h"

#include <cstddef>

#include "sistema.h"
#include "texto_numero.h"

namespace brenquil {
namespace {

// Up to two digits at `i`, as a number; `i` moves past them. Nothing when
// there are more.
std::optional<int> numeroCorto(std::string_view t, std::size_t& i) {
    int n = 0;
    std::size_t digitos = 0;
    for (; i < t.size() && esDigito(t[i]); ++i, ++digitos) n = n * 10 + (t[i] - '0');
    if (digitos > 2) return std::nullopt;
    return n;
}

}  // namespace

std::optional<PatronFotogramas> PatronFotogramas::leer(std::string_view t, std::string& motivo) {
    PatronFotogramas p;
    bool hallada = false;
    const std::string ejemplo = " (as in frame-%05d.png)";
    for (std::size_t i = 0; i < t.size(); ++i) {
        std::string& destino = hallada ? p.despues_ : p.antes_;
        if (t[i] != '%') {
            destino += t[i];
            continue;
        }
        const std::size_t inicio = i++;
        if (i < t.size() && t[i] == '%') {
            destino += '%';
            continue;
        }
        PatronFotogramas c;
        for (; i < t.size(); ++i) {
            if (t[i] == '-') c.izquierda_ = true;
            else if (t[i] == '+') c.mas_ = true;
            else if (t[i] == ' ') c.espacio_ = true;
            else if (t[i] == '0') c.ceros_ = true;
            else break;
        }
        std::optional<int> ancho = numeroCorto(t, i);
        std::optional<int> precision = -1;
        if (ancho && i < t.size() && t[i] == '.') precision = numeroCorto(t, ++i);
        if (!ancho || !precision || i == t.size() || (t[i] != 'd' && t[i] != 'i')) {
            const std::size_t fin = i < t.size() ? i + 1 : i;
            motivo = citar(t.substr(inicio, fin - inicio)) +
                     " is no frame number: give one %d or %i, with the flags - + space 0, a width and a precision of "
                     "at most two digits" + ejemplo + ", and %% for a percent sign";
            return std::nullopt;
        }
        if (hallada) {
            motivo = "more than one frame number in the name: write a percent sign as %%";
            return std::nullopt;
        }
        p.izquierda_ = c.izquierda_;
        p.mas_ = c.mas_;
        p.espacio_ = c.espacio_;
        p.ceros_ = c.ceros_;
        p.ancho_ = *ancho;
        p.precision_ = *precision;
        hallada = true;
    }
    if (!hallada) {
        motivo = "no frame number in the name: give one %d" + ejemplo;
        return std::nullopt;
    }
    return p;
}

std::string PatronFotogramas::nombre(int64_t k) const {
    std::string cifras = k == 0 && precision_ == 0 ? "" : std::to_string(k);
    if (precision_ > 0 && cifras.size() < static_cast<std::size_t>(precision_)) {
        cifras.insert(0, static_cast<std::size_t>(precision_) - cifras.size(), '0');
    }
    const std::string signo = mas_ ? "+" : espacio_ ? " " : "";
    const std::size_t largo = signo.size() + cifras.size();
    const std::size_t relleno = static_cast<std::size_t>(ancho_) > largo ? static_cast<std::size_t>(ancho_) - largo : 0;
    std::string numero;
    if (izquierda_) {
        numero = signo + cifras + std::string(relleno, ' ');
    } else if (ceros_ && precision_ < 0) {
        numero = signo + std::string(relleno, '0') + cifras;
    } else {
        numero = std::string(relleno, ' ') + signo + cifras;
    }
    return antes_ + numero + despues_;
}

}  // namespace brenquil
