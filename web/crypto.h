#pragma once
// The web server's secrets: password hashes (libsodium's crypto_pwhash_str, Argon2id with the
// interactive limits), random tokens for session ids, cookies and CSRF tokens, and the
// comparisons that must not leak by their timing.

#include <string>
#include <string_view>

namespace sparestock::web {

// The hash to store for `password` (a "$argon2id$..." text of at most 127 characters, salted
// at random, so two calls give different texts). Throws std::runtime_error when the machine
// cannot spare the memory the hash needs.
std::string hash_password(std::string_view password);

// Whether `password` matches `stored`, a text made by hash_password. An empty or malformed
// `stored` matches nothing.
bool verify_password(std::string_view stored, std::string_view password);

// `bytes` random bytes from the operating system's generator, as lower-case hex.
std::string random_token(size_t bytes = 32);

// Equality of two texts in a time that depends on their lengths only.
bool constant_time_equal(std::string_view a, std::string_view b);

// An unkeyed digest (BLAKE2b, hex) of a token, under which the server files the token, so
// that the tokens themselves are kept nowhere and looked up by a value an attacker cannot time.
std::string token_digest(std::string_view token);

}  // namespace sparestock::web
