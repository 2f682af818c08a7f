#ifndef VB_QUORVANE3_H
#define VB_QUORVANE3_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Hands one mail to the mail sender: writes a mail job file into the
 * caller's private spool folder and starts quorvane3 on it, detached.
 * Every string is NUL-terminated UTF-8 and is only read. Returns 0 when the
 * job was written and the sender started, otherwise a non-zero code.
 *
 * Arguments, in order:
 *   reserved1      ignored (pass "")
 *   smtpServer     host name or dotted address of the SMTP server
 *   smtpPort       its TCP port
 *   envelopeFrom   address given in MAIL FROM
 *   reserved2      ignored (pass "")
 *   fromField      sender as shown, e.g. "Name <addr>"
 *   toList         recipients, comma separated
 *   subject        subject line
 *   body           body text, lines separated by CR LF or LF
 *   attachment     path of a file to attach, or "" for none
 *   disposeFlag    non-zero: the attachment is deleted after sending
 *   reserved3      ignored (pass 0)
 *   charset        "US" (ISO-8859-1); other names pass the text through
 *   mailerName     name written in the X-Mailer header
 */
typedef int32_t (*Quorvane3Fn)(const char* reserved1, const char* smtpServer, int32_t smtpPort,
                               const char* envelopeFrom, const char* reserved2,
                               const char* fromField, const char* toList, const char* subject,
                               const char* body, const char* attachment, int32_t disposeFlag,
                               int32_t reserved3, const char* charset, const char* mailerName);

int32_t Quorvane3(const char* reserved1, const char* smtpServer, int32_t smtpPort,
                  const char* envelopeFrom, const char* reserved2, const char* fromField,
                  const char* toList, const char* subject, const char* body,
                  const char* attachment, int32_t disposeFlag, int32_t reserved3,
                  const char* charset, const char* mailerName);

#ifdef __cplusplus
}
#endif

#endif
