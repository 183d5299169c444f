// The building of a form of a path, by character, shared by the units that
// make such forms.
#pragma once

// A form under construction in its caller's buffer. A character that does
// not fit with the NUL ends it there, never cut, and the form is then not
// used; in the code page each form's buffer is sized so that no form of the
// longest path meets its end.
template <typename Char>
struct FormText {
    Char* units;
    int size;
    int length;
    bool full;
};

template <typename Char>
inline void PutCharacter(FormText<Char>* form, const Char* character, int width)
{
    if (form->full || form->length + width > form->size - 1) {
        form->full = true;
        return;
    }
    for (int i = 0; i < width; ++i) form->units[form->length++] = character[i];
    form->units[form->length] = 0;
}

template <typename Char>
inline void PutAscii(FormText<Char>* form, char unit)
{
    Char character = (Char)unit;
    PutCharacter(form, &character, 1);
}

template <typename Char>
inline void PutAscii(FormText<Char>* form, const char* text)
{
    while (*text) PutAscii(form, *text++);
}

template <typename Char>
inline FormText<Char> StartForm(Char* units, int size)
{
    units[0] = 0;
    return {units, size, 0, false};
}
