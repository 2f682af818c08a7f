#include "mailer/sys/winsock_errors.h"

#include <netdb.h>

#include <cerrno>

namespace quorvane3::sys {

int WsaErrorFromErrno(int err) {
    switch (err) {
        case 0: return 0;
        case EINTR: return kWsaEINTR;
        case EBADF: return kWsaEBADF;
        case EACCES:
        case EPERM: return kWsaEACCES;
        case EFAULT: return kWsaEFAULT;
        case EINVAL: return kWsaEINVAL;
        case EMFILE:
        case ENFILE: return kWsaEMFILE;
        case EAGAIN: return kWsaEWOULDBLOCK;
        case EINPROGRESS: return kWsaEWOULDBLOCK;  // a pending non-blocking connect
        case EALREADY: return kWsaEALREADY;
        case ENOTSOCK: return kWsaENOTSOCK;
        case EMSGSIZE: return kWsaEMSGSIZE;
        case EPROTONOSUPPORT: return kWsaEPROTONOSUPPORT;
        case EAFNOSUPPORT: return kWsaEAFNOSUPPORT;
        case EADDRINUSE: return kWsaEADDRINUSE;
        case EADDRNOTAVAIL: return kWsaEADDRNOTAVAIL;
        case ENETDOWN: return kWsaENETDOWN;
        case ENETUNREACH: return kWsaENETUNREACH;
        case ENETRESET: return kWsaENETRESET;
        case ECONNABORTED: return kWsaECONNABORTED;
        case ECONNRESET:
        case EPIPE: return kWsaECONNRESET;
        case ENOBUFS:
        case ENOMEM: return kWsaENOBUFS;
        case EISCONN: return kWsaEISCONN;
        case ENOTCONN: return kWsaENOTCONN;
        case ESHUTDOWN: return kWsaESHUTDOWN;
        case ETIMEDOUT: return kWsaETIMEDOUT;
        case ECONNREFUSED: return kWsaECONNREFUSED;
        case ENAMETOOLONG: return kWsaENAMETOOLONG;
        case EHOSTDOWN: return kWsaEHOSTDOWN;
        case EHOSTUNREACH: return kWsaEHOSTUNREACH;
        default: return kWsaENETDOWN;
    }
}

int WsaErrorFromGai(int rc, int savedErrno) {
    switch (rc) {
        case 0: return 0;
        case EAI_NONAME: return kWsaHOST_NOT_FOUND;
        case EAI_NODATA:
        case EAI_ADDRFAMILY: return kWsaNO_DATA;
        case EAI_AGAIN: return kWsaTRY_AGAIN;
        case EAI_MEMORY: return kWsaENOBUFS;
        case EAI_SYSTEM: return savedErrno != 0 ? WsaErrorFromErrno(savedErrno) : kWsaNO_RECOVERY;
        default: return kWsaNO_RECOVERY;
    }
}

}  // namespace quorvane3::sys
