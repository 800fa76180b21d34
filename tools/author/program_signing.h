// Authenticode signatures for the Windows programs of a medium, made by
// osslsigncode (Debian's package) with SHA-256, so that Windows names the
// publisher and SmartScreen can come to trust the programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace mavrel {

struct SigningKey {
  std::string certificate;                // PEM: the certificate, then any intermediate ones
  std::string key;                        // PEM: its private key
  std::optional<std::string> passphrase;  // of the key, when it has one
  std::string timestampUrl;               // an RFC 3161 server; empty: none
  // The signing time written into the signature; without one, the time of
  // signing. Not used with a timestamp server, whose time counts.
  std::optional<std::int64_t> signingTime;
};

/// Writes a signed copy of the Windows program `input` to `output`;
/// `input` stays as it was. Gives "" when signed, else what went wrong
/// (osslsigncode's own messages have gone to standard error by then).
std::string SignProgram(const SigningKey& key, const std::filesystem::path& input,
                        const std::filesystem::path& output);

}  // namespace mavrel
