#include "monitor/report/builtin_alert_text.h"

#include <array>
#include <string_view>

namespace ossivant {

namespace {

struct BuiltInEntry {
    std::u16string_view code;
    std::u16string_view text;
};

// The backup alert texts, looked up in this order.
constexpr std::array<BuiltInEntry, 19> kBuiltInTexts{{
    {u"204",
     u"While checking the site, %URL%, Ossivant received a HTTP Reponse Code 204. "
     u"Generally, this response occurs when the URL returned a page with no content."},
    {u"301",
     u"While checking the site, %URL%, Ossivant received a HTTP Reponse Code 301. "
     u"Generally, this response occurs the requested resource has been assigned a new "
     u"permanent URL and any future references to this resource should use the new URL."},
    {u"400",
     u"The URL, %URL%, returned a HTTP Reponse Code 400 (Bad Request). Generally, this "
     u"response occurs when the requested URL could not be understood by the server "
     u"because of incorrect syntax. It is recommended that you check the server where this "
     u"URL resides on."},
    {u"401",
     u"The URL, %URL%, returned a HTTP Reponse Code 401 (Unauthorized). Generally, this "
     u"response occurs when the requested URL requires user authentication. Ossivant "
     u"cannot check protected or private sites. If this site is protected, please disable "
     u"this site in Ossivant."},
    {u"403",
     u"The URL, %URL%, returned a HTTP Reponse Code 403 (Forbidden). Generally, this "
     u"response occurs when the requested URL is not returned by the server for an "
     u"unspecified reason (usually because it requires special access permission). "
     u"Ossivant cannot check protected or private sites. If this site is protected, please "
     u"disable this site in Ossivant."},
    {u"404",
     u"The URL, %URL%, returned a HTTP Reponse Code 404 (File Not Found). This response "
     u"occurs when the requested URL is not found. It is recommended that you check the "
     u"server where this URL resides on."},
    {u"405",
     u"The URL, %URL%, returned a HTTP Reponse Code 405 (Method Not Allowed). Generally, "
     u"this response occurs when the server does not support the requested method. It is "
     u"recommended that you check the server where this URL resides on. Make sure that the "
     u"server is in compliance with the W3 Consortium's (www.w3.org) HTTP Protocol."},
    {u"500",
     u"The URL, %URL%, returned a HTTP Reponse Code 500 (Internal Server Error). "
     u"Generally, this response occurs when the server encountered an unexpected condition "
     u"that prevented it from fulfilling the request. It is recommended that you check the "
     u"server where this URL resides on. Make sure that the server is in compliance with "
     u"the W3 Consortium's (www.w3.org) HTTP Protocol."},
    {u"501",
     u"The URL, %URL%, returned a HTTP Reponse Code 501 (Not Implemented). Generally, this "
     u"response occurs when the server does not support the functionality required to "
     u"fulfill the request. It is recommended that you check the server where this URL "
     u"resides on. Make sure that the server is in compliance with the W3 Consortium's "
     u"(www.w3.org) HTTP Protocol."},
    {u"502",
     u"The URL, %URL%, returned a HTTP Reponse Code 502 (Bad Gateway). Generally, this "
     u"response occurs when the server received an invalid response from the gateway or "
     u"upstream server it accessed in attempting to fulfill the request. It is recommended "
     u"that you check the server and the gateway. Make sure that the server is in "
     u"compliance with the W3 Consortium's (www.w3.org) HTTP Protocol."},
    {u"503",
     u"The URL, %URL%, returned a HTTP Reponse Code 503 (Service Unavailable). Generally, "
     u"this response occurs when the server has reached its capacity or when the requested "
     u"service is unavailable. It is recommended that you check the server and the "
     u"gateway. Make sure that the server is in compliance with the W3 Consortium's "
     u"(www.w3.org) HTTP Protocol."},
    {u"504",
     u"The URL, %URL%, returned a HTTP Reponse Code 504 (Gateway Time-out). Generally, "
     u"this response occurs when the server timed out while trying to receive an response "
     u"from the gateway or upstream server. It is recommended that you check the server "
     u"and the gateway. Make sure that the server is in compliance with the W3 "
     u"Consortium's (www.w3.org) HTTP Protocol."},
    {u"8001",
     u"While checking %URL%, the URL timed out (within %TIMEOUT%) before a response was "
     u"obtained from the server. The server could be slow. Please check the server where "
     u"the URL resides, and make sure that the server is functioning."},
    {u"8080",
     u"While accessing %URL%, Ossivant encountered an Error with the server. The Error "
     u"message returned is \"%ERRORINFO%\" (%ERRORCODE%). Please check the URL to make "
     u"sure that the page exists, or that the server is running."},
    {u"1xx",
     u"While checking the site, %URL%, Ossivant received an unrecognized HTTP Reponse Code "
     u"(%RESPONSECODE%). Generally, this kind of response code (1xx) is used for "
     u"informational purposes."},
    {u"2xx",
     u"While checking the site, %URL%, Ossivant received an unrecognized HTTP Reponse Code "
     u"(%RESPONSECODE%). Generally, this kind of response code (2xx) suggests that the "
     u"request between ossivant and the HTTP server was successfully received, understood, "
     u"and accepted."},
    {u"3xx",
     u"While checking the site, %URL%, Ossivant received an unrecognized HTTP Reponse Code "
     u"(%RESPONSECODE%). Generally, this kind of response code (3xx) is used for "
     u"informational or Redirectional purposes. However, if it is redirectional, further "
     u"action must be taklen in order to complete the request."},
    {u"4xx",
     u"While checking the site, %URL%, Ossivant received an unrecognized HTTP Reponse Code "
     u"(%RESPONSECODE%). Generally, this kind of response code (4xx) occurs when there was "
     u"a request error! It could be that the request contains incorrect suntax or cannot "
     u"be fulfilled. It is recommended that you check the server where this URL resides on."},
    {u"5xx",
     u"While checking the site, %URL%, Ossivant received an unrecognized HTTP Reponse Code "
     u"(%RESPONSECODE%). Generally, this kind of response code (5xx) occurs when there is "
     u"a Server Error; it failed to fulfill an apparently valid request. It is recommended "
     u"that you check the server where this URL resides on. Make sure that the server is "
     u"in compliance with the W3 Consortium's (www.w3.org) HTTP Protocol."},
}};

constexpr std::u16string_view kOtherCodeText =
    u"While checking the site, %URL%, Ossivant received an unrecognizable Reponse Code. "
    u"The response code does not seem to be in compliance with the W3 Consortium's "
    u"(www.w3.org) HTTP Protocol. The details of the Response Header received is as "
    u"follows: ";

QString View(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

}  // namespace

QString BuiltInAlertText(const QString& code) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Dear %MGRNAME%, (BackUp Check)") + crlf + crlf;
    bool known = false;
    for (const BuiltInEntry& entry : kBuiltInTexts) {
        if (code == View(entry.code)) {
            text += View(entry.text);
            known = true;
            break;
        }
    }
    if (!known) {
        text += View(kOtherCodeText) + crlf + crlf + QStringLiteral("%HEADER%");
    }
    text += crlf + crlf + QStringLiteral("Regards,") + crlf + QStringLiteral("Ossivant.") + crlf;
    return text;
}

}  // namespace ossivant
