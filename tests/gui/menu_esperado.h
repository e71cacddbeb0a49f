// The menu bar of the main window as the user sees it, item by item: what
// the resources must hold (test_recursos) and the running window must carry
// (test_ventana). Written out from the interface's own terms, independently
// of brenquil.rc.
#pragma once

#include <windows.h>

#include <vector>

namespace brenquil::prueba {

struct ItemMenu {
    const char* texto;       // ANSI bytes, Windows-1252
    UINT id;                 // command; unused for a pop-up
    std::vector<ItemMenu> hijos;  // non-empty for a pop-up
};

inline const std::vector<ItemMenu>& menuEsperado() {
    static const std::vector<ItemMenu> menu = {
        {"&Imagen", 0, {
            {"&Load", 100, {}},
            {"&Save", 105, {}},
            {"&Memorizar", 110, {}},
            {"&Volver", 115, {}},
            {"&Borrar", 120, {}},
        }},
        {"&Zoom", 0, {
            {"&Parametros", 200, {}},
            {"Zoom &In", 210, {}},
            {"Zoom &Out", 205, {}},
            {"Zoom &Factor", 212, {}},
        }},
        {"&Iterar", 0, {
            {"0 (Parametros Actuales)", 220, {}},
            {"+(&m\xE1s)", 0, {
                {"+1", 221, {}},
                {"+32", 222, {}},
                {"+128", 223, {}},
                {"+256", 224, {}},
                {"+1024", 225, {}},
            }},
            {"-(&me&nos)", 0, {
                {"-1", 215, {}},
                {"-32", 216, {}},
                {"-128", 217, {}},
                {"-256", 218, {}},
                {"-1024", 219, {}},
            }},
            {"&Ejecutar&&Detener", 250, {}},
        }},
        {"&Opciones", 0, {
            {"&Plano", 0, {
                {"&Cardioide", 300, {}},
                {"Cardioide &Inv", 305, {}},
                {"&Parabola", 310, {}},
            }},
            {"&Color", 0, {
                {"&Color Iteracion", 350, {}},
                {"&Blanco&&Negro", 355, {}},
                {"Descomposicion Binaria C&olor", 365, {}},
                {"Descomposicion Binaria B&lanco&&Negro", 370, {}},
                {"Dwell &Yes", 380, {}},
                {"Dwell &No", 385, {}},
            }},
        }},
        {"&Acerca de", 400, {}},
    };
    return menu;
}

}  // namespace brenquil::prueba
