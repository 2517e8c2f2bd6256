/* libTamsk: scrambles and unscrambles short NUL-terminated 8-bit texts in place. */
#ifndef TAMSK_H
#define TAMSK_H

#if defined(__GNUC__)
#define TAMSK_API __attribute__((visibility("default")))
#else
#define TAMSK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Scrambles the text in place; its length in bytes is kept. A null pointer is ignored.
   A 0xFF byte at an even position cannot be recovered by DecryptText, and at positions
   14, 29, 44, ... it scrambles to a NUL, so the result then reads shorter than it is. */
TAMSK_API void EncryptText(char* text);

/* Undoes EncryptText in place; its length in bytes is kept. A null pointer is ignored.
   The result may hold a NUL before the original end when the input was not made by
   EncryptText. */
TAMSK_API void DecryptText(char* text);

#ifdef __cplusplus
}
#endif

#endif /* TAMSK_H */
