#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace quorvane3::sys {

// Why a TLS handshake did not finish.
enum class TlsFailureKind {
    kNone,
    kSetup,          // no TLS context could be made
    kCaFile,         // the extra authority file cannot be read
    kCertificate,    // the server's certificate was not accepted
    kPlainTextPeer,  // the server answered in plain SMTP
    kProtocol,       // the handshake itself failed
    kClosed,         // the server closed the connection meanwhile
};

struct TlsFailure {
    TlsFailureKind kind = TlsFailureKind::kNone;
    std::string detail;  // words an operator can act on
};

// The environment variable naming a PEM file of authorities trusted in
// addition to the system's store.
inline constexpr char kCaFileVariable[] = "QUORVANE3_CA_FILE";

// The client side of one TLS connection (OpenSSL) over a connected
// non-blocking socket that the caller keeps and closes. The server's
// certificate is verified against the system's store, the authorities of
// $QUORVANE3_CA_FILE and the host name (also sent as SNI); nothing turns
// the verification off. No call blocks: each says what it waits for.
class TlsChannel {
public:
    enum class Step { kDone, kWantRead, kWantWrite, kFailed };

    // Null with `failure` filled when no channel can be made.
    static std::unique_ptr<TlsChannel> Create(int socket, const std::string& host,
                                              TlsFailure* failure);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // One step of the handshake; kFailed fills `failure`.
    Step Handshake(TlsFailure* failure);
    // Each returns kDone with the count moved (0 from Read: the peer ended
    // TLS), kWantRead/kWantWrite when the socket must be waited for, or
    // kFailed.
    Step Write(const void* data, std::size_t length, std::size_t* sent);
    Step Read(void* buffer, std::size_t size, std::size_t* received);
    // Decrypted bytes wait inside the channel: the socket shows no more data.
    bool HasPending() const;

    struct State;  // OpenSSL's objects, kept out of this header

private:
    explicit TlsChannel(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace quorvane3::sys
