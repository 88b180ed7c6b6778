// The plug-in's constant texts, in the Mazovia code page byte for byte.
// Literals are split after a hex escape where the next character is a hex
// digit, so that the escape takes exactly two digits.
#pragma once

// "Eksport faktury zakupu/zamówienia. Ctrl-1 w rejestrze faktur/zamówień."
#define TEXT_PLUGIN_DESCRIPTION \
    "Eksport faktury zakupu/zam\xA2wienia. Ctrl-1 w rejestrze faktur/zam\xA2wie\xA4."
enum { PLUGIN_DESCRIPTION_SIZE = 71 };  // 70 bytes and the terminator

// Missing-entry report. 0x02 and 0x01 enclose each inserted value.
#define TEXT_MISSING_ENTRY_TEMPLATE                                   \
    "W module \x02%s\x01\n"                                           \
    "brak wpisu \x02%s\x01\n"                                         \
    "Wywo\x92" "ano z wtyczki \x02%s\x01.\n"                          \
    "\n"                                                              \
    "B\x92\x86" "d ten mo\xA7na zignorowa\x8D lecz dalsza praca\n"    \
    "programu w tych warunkach mo\xA7" "e by\x8D niebezpieczna.\n"    \
    "\n"                                                              \
    "Konieczna jest aktualizacja programu!"
// "POWAŻNY BŁĄD WTYCZKI"
#define TEXT_MISSING_ENTRY_TITLE "POWA\xA1NY B\x9C\x8F" "D WTYCZKI"
#define TEXT_UNKNOWN_MODULE "<nieznany>"

#define TEXT_WARNING_TITLE "uwaga"
// "Błąd inicjacji tabeli Tzak_dok."
#define TEXT_NO_LINES_TABLE "B\x92\x86" "d inicjacji tabeli Tzak_dok."
// "Brak numeru zamówienia. Nie można eksportować."
#define TEXT_NO_ORDER_NUMBER "Brak numeru zam\xA2wienia. Nie mo\xA7na eksportowa\x8D."
// "Numer zamówienia jest za długi. Nie można eksportować."
#define TEXT_ORDER_NUMBER_TOO_LONG \
    "Numer zam\xA2wienia jest za d\x92ugi. Nie mo\xA7na eksportowa\x8D."
// "W jaki sposób wysłać dane?"
#define TEXT_CHOICE_PROMPT "W jaki spos\xA2" "b wys\x92" "a\x8D dane?"
#define TEXT_CHOICE_FTP "~F~TP"
#define TEXT_CHOICE_FILE "~P~lik"
#define TEXT_CHOICE_CANCEL "~A~nuluj"
#define TEXT_CHOICE_EMAIL "~E~mail"
#define TEXT_MAIL_SUBJECT "Zamowienie"

#define FORMAT_EXPORT_FILE_NAME "%s.txt"
#define FORMAT_EXPORT_LINE "%s;%s;%.3f"
#define FORMAT_SETTINGS_KEY "Nr%d"
#define TEXT_ANY_FILE_MASK "*.*"

#define TEXT_NEEDS_NEWER_PLUGIN "Program wymaga nowszej wtyczki!"
#define TEXT_NEEDS_NEWER_HOST "Wtyczka wymaga nowszego programu!"
#define TEXT_REQUIRED_HOST_DATE "Dec  5 2016"
#define TEXT_TABLE_ORDERS "Tzak"
#define TEXT_TABLE_ORDER_LINES "Tzak_dok"

#define TEXT_PROFILE_SECTION "FakTest"
#define TEXT_PROFILE_KEY "Pytaj"
#define FORMAT_PROFILE_VALUE "%d"
// "Zainstalowano wtyczkę: %s"
#define FORMAT_INSTALL_CAPTION "Zainstalowano wtyczk\x91: %s"

#define HOST_LIBRARY_NAME "MERION"
