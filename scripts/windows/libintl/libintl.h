/* The few gettext functions glib calls, for a Windows build without translations:
   every message comes back untranslated. */
#ifndef MAILFERRY_LIBINTL_H
#define MAILFERRY_LIBINTL_H

#include <locale.h>

/* The category gettext reads messages for; Windows' locale.h lacks it (as GNU libintl.h does,
   which defines it there too). */
#ifndef LC_MESSAGES
#define LC_MESSAGES 1729
#endif

#ifdef __cplusplus
extern "C" {
#endif

char *gettext(const char *msgid);
char *dgettext(const char *domain, const char *msgid);
char *dcgettext(const char *domain, const char *msgid, int category);
char *ngettext(const char *msgid, const char *msgid_plural, unsigned long n);
char *dngettext(const char *domain, const char *msgid, const char *msgid_plural, unsigned long n);
char *dcngettext(const char *domain, const char *msgid, const char *msgid_plural, unsigned long n,
                 int category);
char *textdomain(const char *domain);
char *bindtextdomain(const char *domain, const char *dirname);
char *bind_textdomain_codeset(const char *domain, const char *codeset);

#ifdef __cplusplus
}
#endif

#endif
