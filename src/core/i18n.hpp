#pragma once
// The translation hook every user-visible text passes through. No catalogue is bound, so the
// texts appear as written; a translator only has to install one for the domain.

#include <libintl.h>

inline constexpr const char *i18n_text_domain = "c64-sidewell";

// format_arg keeps printf checking alive for translated format strings.
[[gnu::format_arg(1)]] inline const char *tr(const char *text) {
    return dgettext(i18n_text_domain, text);
}

// The singular or the plural form for count, as the language counts.
[[gnu::format_arg(1)]] [[gnu::format_arg(2)]] inline const char *
tr_count(const char *singular, const char *plural, unsigned long count) {
    return dngettext(i18n_text_domain, singular, plural, count);
}
