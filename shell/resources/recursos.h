/* Identifiers shared by brenquil.rc and the C++ shell: the menu and accelerator
 * commands, and the controls of the two dialog templates. Plain #defines only,
 * so that windres reads this file as well as the compilers do.
 *
 * The plane, colour and dwell commands carry the very code they select
 * (engine/codigos.h); keep the two in step. */
#ifndef BRENQUIL_RECURSOS_H
#define BRENQUIL_RECURSOS_H

/* "&Imagen" */
#define CM_LOAD                   100
#define CM_SAVE                   105
#define CM_MEMORIZAR              110
#define CM_VOLVER                 115
#define CM_BORRAR                 120

/* "&Zoom" */
#define CM_PARAMETROS             200
#define CM_ZOOM_OUT               205
#define CM_ZOOM_IN                210
#define CM_ZOOM_FACTOR            212

/* "&Iterar": the step added to the iteration limit at each render start */
#define CM_ITER_MENOS_1           215
#define CM_ITER_MENOS_32          216
#define CM_ITER_MENOS_128         217
#define CM_ITER_MENOS_256         218
#define CM_ITER_MENOS_1024        219
#define CM_ITER_ACTUAL            220
#define CM_ITER_MAS_1             221
#define CM_ITER_MAS_32            222
#define CM_ITER_MAS_128           223
#define CM_ITER_MAS_256           224
#define CM_ITER_MAS_1024          225
#define CM_EJECUTAR_DETENER       250

/* "&Opciones" > "&Plano" */
#define CM_PLANO_CARDIOIDE        300
#define CM_PLANO_CARDIOIDE_INV    305
#define CM_PLANO_PARABOLA         310

/* "&Opciones" > "&Color" */
#define CM_COLOR_ITERACION        350
#define CM_COLOR_BLANCO_NEGRO     355
#define CM_COLOR_DESC_BINARIA     365
#define CM_COLOR_DESC_BINARIA_BN  370
#define CM_DWELL_SI               380
#define CM_DWELL_NO               385

/* "&Acerca de", on the menu bar itself */
#define CM_ACERCA_DE              400

/* Controls of DIALOGOPARAMETROS; the buttons "Edit OK" and "Cancel" are
 * IDOK and IDCANCEL of <windows.h>. */
#define ID_ITERACIONES            500
#define ID_XSUPIZQ                502
#define ID_YSUPIZQ                504
#define ID_LADO                   506
#define ID_GRUPO_ITERACIONES      510
#define ID_GRUPO_XSUPIZQ          512
#define ID_GRUPO_YSUPIZQ          514
#define ID_GRUPO_LADO             516

/* The "Default" button of both dialogs */
#define ID_DEFAULT                520

/* Controls of DIALOGOZFACTOR */
#define ID_FACTOR                 540
#define ID_GRUPO_FACTOR           580

#endif /* BRENQUIL_RECURSOS_H */
