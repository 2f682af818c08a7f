#pragma once

// The socket library's error numbers, as the mail sender reports them. POSIX
// errno values and getaddrinfo() results are translated to these numbers at
// the one place that touches the system's sockets.

namespace quorvane3::sys {

inline constexpr int kWsaEINTR = 10004;
inline constexpr int kWsaEBADF = 10009;
inline constexpr int kWsaEACCES = 10013;
inline constexpr int kWsaEFAULT = 10014;
inline constexpr int kWsaEINVAL = 10022;
inline constexpr int kWsaEMFILE = 10024;
inline constexpr int kWsaEWOULDBLOCK = 10035;
inline constexpr int kWsaEINPROGRESS = 10036;
inline constexpr int kWsaEALREADY = 10037;
inline constexpr int kWsaENOTSOCK = 10038;
inline constexpr int kWsaEMSGSIZE = 10040;
inline constexpr int kWsaEPROTONOSUPPORT = 10043;
inline constexpr int kWsaEAFNOSUPPORT = 10047;
inline constexpr int kWsaEADDRINUSE = 10048;
inline constexpr int kWsaEADDRNOTAVAIL = 10049;
inline constexpr int kWsaENETDOWN = 10050;
inline constexpr int kWsaENETUNREACH = 10051;
inline constexpr int kWsaENETRESET = 10052;
inline constexpr int kWsaECONNABORTED = 10053;
inline constexpr int kWsaECONNRESET = 10054;
inline constexpr int kWsaENOBUFS = 10055;
inline constexpr int kWsaEISCONN = 10056;
inline constexpr int kWsaENOTCONN = 10057;
inline constexpr int kWsaESHUTDOWN = 10058;
inline constexpr int kWsaETIMEDOUT = 10060;
inline constexpr int kWsaECONNREFUSED = 10061;
inline constexpr int kWsaENAMETOOLONG = 10063;
inline constexpr int kWsaEHOSTDOWN = 10064;
inline constexpr int kWsaEHOSTUNREACH = 10065;
inline constexpr int kWsaVERNOTSUPPORTED = 10092;
inline constexpr int kWsaHOST_NOT_FOUND = 11001;
inline constexpr int kWsaTRY_AGAIN = 11002;
inline constexpr int kWsaNO_RECOVERY = 11003;
inline constexpr int kWsaNO_DATA = 11004;

// Maps an errno value to its socket-library number; values without a
// counterpart give kWsaENETDOWN, the library's generic failure.
int WsaErrorFromErrno(int err);

// Maps a getaddrinfo() result (EAI_*) to the lookup error numbers 11001-11004.
int WsaErrorFromGai(int rc, int savedErrno);

}  // namespace quorvane3::sys
