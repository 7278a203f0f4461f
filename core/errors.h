#pragma once
// Typed errors of the core. A malformed message or stream raises one of these; the
// control shell catches them on the receive path, closes the connection and shows the
// connection status. Nothing in the core reads out of bounds instead of raising.

#include <stdexcept>
#include <string>

namespace korvel {

// Base of every error the core raises on purpose.
class KorvelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes from the server (or a file) do not hold what their layout requires:
// a field cut short, a negative length, an index outside a fixed table, a duplicate key.
class DecodeError : public KorvelError {
public:
    using KorvelError::KorvelError;
};

// A value cannot be put into its wire form (a text over 32767 bytes, a byte over 255).
class EncodeError : public KorvelError {
public:
    using KorvelError::KorvelError;
};

// A socket operation failed at once. ISocket's operations may raise it instead of
// reporting through the socket's events; the client then drops what it was sending
// (the connection's end arrives as an event, or the next send finds it closed).
class SocketFailure : public KorvelError {
public:
    using KorvelError::KorvelError;
};

// The frame stream itself is broken (negative or oversized body length).
class FrameError : public DecodeError {
public:
    using DecodeError::DecodeError;
};

} // namespace korvel
