#ifndef VB_QUORVANE3_H
#define VB_QUORVANE3_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Hands one mail to the mail sender: writes a mail job file into a private
 * spool folder and starts quorvane3 on it, detached. Every string is
 * NUL-terminated UTF-8 and is only read; a null pointer counts as "". Returns
 * VBQ3_OK when the job was written and the sender started, otherwise one of
 * the non-zero codes below. A return of 0 does not wait for delivery: the
 * outcome of every delivery is a line in the send log of the spool folder.
 *
 * Each argument fills one field of the mail job, in order:
 *   spareHost      second host name; kept in the job, never used for sending
 *   serverHost     host name or dotted IPv4 address of the SMTP server
 *   serverPort     its TCP port, 0 to 65535
 *   toList         To: comma-separated addresses ("addr" or "Name <addr>"),
 *                  the recipients of the mail
 *   ccList         Cc: same syntax, may be ""
 *   fromField      From: "addr" or "Name <addr>"; its address is also the
 *                  envelope sender (MAIL FROM)
 *   replyTo        Reply-To: may be ""
 *   subject        subject line ("" or one character is sent as "None")
 *   bodyText       plain-text body, lines end with LF or CR LF
 *   attachmentList comma-separated file paths to attach, or "" for none
 *   disposeFlag    after sending, the single attachment file is deleted
 *                  unless this is 0 or -99
 *   sparePort      kept in the job beside spareHost, never used
 *   charset        "US" (any case) or "": the texts are sent as ISO-8859-1,
 *                  a character it cannot hold becomes '?'
 *   mailerName     X-Mailer text; "" lets quorvane3 choose. Commas become
 *                  blanks and it is cut to 259 characters.
 * File paths (attachmentList) are passed to quorvane3 byte for byte.
 *
 * The spool folder is $VB_QUORVANE3_SPOOL when set and not empty, else
 * $XDG_STATE_HOME/ossivant/spool (default ~/.local/state/ossivant/spool). It
 * is created with mode 0700 when missing and made 0700 when it is wider; it
 * holds the job files while they wait and the send log (log level 2: every
 * outcome). The sender is $VB_QUORVANE3_PROGRAM when set and not empty,
 * else the program "quorvane3" in the folder of this library.
 */
typedef int32_t (*Quorvane3Fn)(const char* spareHost, const char* serverHost, int32_t serverPort,
                               const char* toList, const char* ccList, const char* fromField,
                               const char* replyTo, const char* subject, const char* bodyText,
                               const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
                               const char* charset, const char* mailerName);

int32_t Quorvane3(const char* spareHost, const char* serverHost, int32_t serverPort,
                  const char* toList, const char* ccList, const char* fromField,
                  const char* replyTo, const char* subject, const char* bodyText,
                  const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
                  const char* charset, const char* mailerName);

/* Quorvane3 with the session's protection and login, for a server that
 * takes mail only over TLS and after AUTH:
 *   security       0 none (the plain session of Quorvane3), 1 STARTTLS,
 *                  2 SSL/TLS (TLS from the connect on); other values give
 *                  VBQ3_BAD_MAIL
 *   userName       "" for no login; with security 0 the mail fails (a
 *                  password is never sent without TLS)
 *   password       sent only inside TLS
 * The user name and password travel in the job file alone (mode 0600 in the
 * private spool folder, removed with the job), never on a command line or in
 * the environment. Returns the codes of Quorvane3. */
typedef int32_t (*Quorvane3SecureFn)(const char* spareHost, const char* serverHost,
                                     int32_t serverPort, const char* toList, const char* ccList,
                                     const char* fromField, const char* replyTo,
                                     const char* subject, const char* bodyText,
                                     const char* attachmentList, int32_t disposeFlag,
                                     int32_t sparePort, const char* charset,
                                     const char* mailerName, int32_t security,
                                     const char* userName, const char* password);

int32_t Quorvane3Secure(const char* spareHost, const char* serverHost, int32_t serverPort,
                        const char* toList, const char* ccList, const char* fromField,
                        const char* replyTo, const char* subject, const char* bodyText,
                        const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
                        const char* charset, const char* mailerName, int32_t security,
                        const char* userName, const char* password);

/* Quorvane3Secure for a mail whose outcome the caller follows: quorvane3
 * writes the outcome record <job>.outcome beside the job when its run ends
 * (delivered, may pass with its cause, permanent with its cause) and keeps
 * the job when the failure may pass, for Quorvane3Resend. The caller removes
 * the job and its record when it is done with them. Quorvane3Secure's
 * arguments, then where the job path goes:
 *   jobPath        on VBQ3_OK holds the NUL-terminated path of the tracked
 *                  job (jobPathSize >= 260 always suffices); untouched
 *                  otherwise
 *   jobPathSize    bytes at jobPath; below 260 (or a null jobPath) gives
 *                  VBQ3_JOB_NOT_WRITTEN before anything is written
 * Returns the codes of Quorvane3. */
typedef int32_t (*Quorvane3TrackedFn)(const char* spareHost, const char* serverHost,
                                      int32_t serverPort, const char* toList,
                                      const char* ccList, const char* fromField,
                                      const char* replyTo, const char* subject,
                                      const char* bodyText, const char* attachmentList,
                                      int32_t disposeFlag, int32_t sparePort,
                                      const char* charset, const char* mailerName,
                                      int32_t security, const char* userName,
                                      const char* password, char* jobPath,
                                      int32_t jobPathSize);

int32_t Quorvane3Tracked(const char* spareHost, const char* serverHost, int32_t serverPort,
                         const char* toList, const char* ccList, const char* fromField,
                         const char* replyTo, const char* subject, const char* bodyText,
                         const char* attachmentList, int32_t disposeFlag, int32_t sparePort,
                         const char* charset, const char* mailerName, int32_t security,
                         const char* userName, const char* password, char* jobPath,
                         int32_t jobPathSize);

/* Starts the sender again on a tracked job that is still in the spool
 * folder. The old outcome record is removed first. Returns VBQ3_OK,
 * VBQ3_NO_JOB when no such job file is there, VBQ3_NO_PROGRAM or
 * VBQ3_NOT_STARTED. */
typedef int32_t (*Quorvane3ResendFn)(const char* jobPath);

int32_t Quorvane3Resend(const char* jobPath);

/* Return codes of Quorvane3, Quorvane3Secure, Quorvane3Tracked and
 * Quorvane3Resend. */
#define VBQ3_OK 0
/* No SMTP server, no recipient in To and Cc, or a port outside 0..65535.
 * Nothing was written. */
#define VBQ3_BAD_MAIL 1
/* The character-set argument names a set other than "US". */
#define VBQ3_BAD_CHARSET 2
/* The spool folder cannot be found or created, or it is not a folder of
 * this user. */
#define VBQ3_NO_SPOOL 3
/* The spool folder's path cannot be named in a job: it holds a comma, or
 * the job path would be longer than 259 bytes. */
#define VBQ3_BAD_SPOOL_PATH 4
/* The job file could not be created or written (also: texts too large
 * for a job file). */
#define VBQ3_JOB_NOT_WRITTEN 5
/* The sender program was not found or cannot be run; the job file is
 * removed again. */
#define VBQ3_NO_PROGRAM 6
/* The sender could not be started (no process could be created); the job
 * file is removed again. */
#define VBQ3_NOT_STARTED 7
/* Quorvane3Resend: the job file is not (or no longer) in the spool folder. */
#define VBQ3_NO_JOB 8

#ifdef __cplusplus
}
#endif

#endif
