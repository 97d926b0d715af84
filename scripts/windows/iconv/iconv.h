/* iconv for GMime on Windows, served by glib's win_iconv.c compiled as libiconv.a. The
   functions carry libiconv_ names (as GNU libiconv's do) so they never clash with the copy
   glib keeps inside its own gconvert.c. */
#ifndef MAILFERRY_ICONV_H
#define MAILFERRY_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void *iconv_t;

#define iconv_open libiconv_open
#define iconv libiconv
#define iconv_close libiconv_close

iconv_t iconv_open(const char *tocode, const char *fromcode);
int iconv_close(iconv_t cd);
size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft);

#ifdef __cplusplus
}
#endif

#endif
