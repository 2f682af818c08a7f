#include "mailer/sys/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>

// The only file of the mail sender that calls OpenSSL.

namespace quorvane3::sys {

struct TlsChannel::State {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
    std::string host;
    // The first bytes the server sent, kept to recognise a plain SMTP greeting.
    char first[4] = {};
    std::size_t firstCount = 0;

    ~State() {
        if (ssl) SSL_free(ssl);
        if (context) SSL_CTX_free(context);
    }
};

namespace {

long RecordFirstBytes(BIO* bio, int oper, const char* data, std::size_t, int, long, int ret,
                      std::size_t* processed) {
    if (oper == (BIO_CB_READ | BIO_CB_RETURN) && ret > 0 && processed && data) {
        auto* state = reinterpret_cast<TlsChannel::State*>(BIO_get_callback_arg(bio));
        for (std::size_t i = 0; i < *processed && state->firstCount < sizeof state->first; ++i) {
            state->first[state->firstCount++] = data[i];
        }
    }
    return ret;
}

bool LooksLikeSmtpReply(const char* bytes, std::size_t count) {
    if (count < 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(bytes[i]))) return false;
    }
    return true;
}

std::string OpenSslReason(unsigned long code) {
    if (code == 0) return "no reason given";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : text;
}

const char* Setting(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? value : fallback;
}

// The system's trusted authorities. The hashed folder is looked up lazily, one
// issuer when a chain needs it; parsing the whole bundle file instead costs
// some 30 ms per mail, more than the rest of a local session. The bundle is
// read only when it is named explicitly or the folder is missing.
void TrustSystemAuthorities(SSL_CTX* context) {
    const char* folder = Setting(X509_get_default_cert_dir_env(), X509_get_default_cert_dir());
    struct stat info {};
    const bool haveFolder = ::stat(folder, &info) == 0 && S_ISDIR(info.st_mode);
    if (haveFolder) SSL_CTX_load_verify_dir(context, folder);
    const char* bundle = std::getenv(X509_get_default_cert_file_env());
    if (bundle && *bundle) {
        SSL_CTX_load_verify_file(context, bundle);
    } else if (!haveFolder) {
        SSL_CTX_load_verify_file(context, X509_get_default_cert_file());
    }
    ERR_clear_error();  // a missing system file is no failure of the mail
}

std::string CertificateProblem(long verify, const std::string& host) {
    switch (verify) {
        case X509_V_ERR_CERT_HAS_EXPIRED: return "the server's certificate has expired";
        case X509_V_ERR_CERT_NOT_YET_VALID: return "the server's certificate is not yet valid";
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return "the server's certificate is not for the host " + host;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
            return "the server's certificate is from an unknown issuer (a private authority "
                   "is added with " +
                   std::string(kCaFileVariable) + ")";
        default:
            return std::string("the server's certificate was refused: ") +
                   X509_verify_cert_error_string(verify);
    }
}

TlsChannel::Step Failed(TlsFailure* failure, TlsFailureKind kind, std::string detail) {
    if (failure) *failure = TlsFailure{kind, std::move(detail)};
    return TlsChannel::Step::kFailed;
}

}  // namespace

TlsChannel::TlsChannel(std::unique_ptr<State> state) : state_(std::move(state)) {}

TlsChannel::~TlsChannel() = default;

std::unique_ptr<TlsChannel> TlsChannel::Create(int socket, const std::string& host,
                                               TlsFailure* failure) {
    auto state = std::make_unique<State>();
    state->host = host;
    state->context = SSL_CTX_new(TLS_client_method());
    if (!state->context) {
        Failed(failure, TlsFailureKind::kSetup, "no TLS context: " + OpenSslReason(ERR_get_error()));
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(state->context, TLS1_2_VERSION);
    SSL_CTX_set_verify(state->context, SSL_VERIFY_PEER, nullptr);
    TrustSystemAuthorities(state->context);
    if (const char* caFile = std::getenv(kCaFileVariable); caFile && *caFile) {
        if (SSL_CTX_load_verify_locations(state->context, caFile, nullptr) != 1) {
            Failed(failure, TlsFailureKind::kCaFile,
                   "the authority file " + std::string(caFile) + " of " + kCaFileVariable +
                       " cannot be read");
            return nullptr;
        }
    }
    state->ssl = SSL_new(state->context);
    if (!state->ssl || SSL_set_fd(state->ssl, socket) != 1) {
        Failed(failure, TlsFailureKind::kSetup, "no TLS session: " + OpenSslReason(ERR_get_error()));
        return nullptr;
    }
    SSL_set_mode(state->ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    in6_addr address{};
    const bool literal = ::inet_pton(AF_INET, host.c_str(), &address) == 1 ||
                         ::inet_pton(AF_INET6, host.c_str(), &address) == 1;
    if (literal) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(state->ssl), host.c_str());
    } else {
        SSL_set_tlsext_host_name(state->ssl, host.c_str());
        SSL_set1_host(state->ssl, host.c_str());
    }
    BIO* bio = SSL_get_rbio(state->ssl);
    BIO_set_callback_arg(bio, reinterpret_cast<char*>(state.get()));
    BIO_set_callback_ex(bio, RecordFirstBytes);
    return std::unique_ptr<TlsChannel>(new TlsChannel(std::move(state)));
}

TlsChannel::Step TlsChannel::Handshake(TlsFailure* failure) {
    ERR_clear_error();
    const int ret = SSL_connect(state_->ssl);
    if (ret == 1) return Step::kDone;
    const int error = SSL_get_error(state_->ssl, ret);
    if (error == SSL_ERROR_WANT_READ) return Step::kWantRead;
    if (error == SSL_ERROR_WANT_WRITE) return Step::kWantWrite;

    const unsigned long code = ERR_peek_last_error();
    if (LooksLikeSmtpReply(state_->first, state_->firstCount)) {
        return Failed(failure, TlsFailureKind::kPlainTextPeer, "the server answered in plain SMTP");
    }
    const long verify = SSL_get_verify_result(state_->ssl);
    if (verify != X509_V_OK) {
        return Failed(failure, TlsFailureKind::kCertificate, CertificateProblem(verify, state_->host));
    }
    if (error == SSL_ERROR_ZERO_RETURN || error == SSL_ERROR_SYSCALL ||
        ERR_GET_REASON(code) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        return Failed(failure, TlsFailureKind::kClosed,
                      "the server closed the connection during the TLS handshake");
    }
    return Failed(failure, TlsFailureKind::kProtocol, "TLS handshake failed: " + OpenSslReason(code));
}

TlsChannel::Step TlsChannel::Write(const void* data, std::size_t length, std::size_t* sent) {
    *sent = 0;
    ERR_clear_error();
    if (SSL_write_ex(state_->ssl, data, length, sent) == 1) return Step::kDone;
    switch (SSL_get_error(state_->ssl, 0)) {
        case SSL_ERROR_WANT_READ: return Step::kWantRead;
        case SSL_ERROR_WANT_WRITE: return Step::kWantWrite;
        default: return Step::kFailed;
    }
}

TlsChannel::Step TlsChannel::Read(void* buffer, std::size_t size, std::size_t* received) {
    *received = 0;
    ERR_clear_error();
    if (SSL_read_ex(state_->ssl, buffer, size, received) == 1) return Step::kDone;
    switch (SSL_get_error(state_->ssl, 0)) {
        case SSL_ERROR_WANT_READ: return Step::kWantRead;
        case SSL_ERROR_WANT_WRITE: return Step::kWantWrite;
        case SSL_ERROR_ZERO_RETURN: return Step::kDone;
        default: return Step::kFailed;
    }
}

bool TlsChannel::HasPending() const { return SSL_pending(state_->ssl) > 0; }

}  // namespace quorvane3::sys
