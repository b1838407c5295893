#include "common/Md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

namespace zorvik {

namespace {
// The provider and the hash, each released once.
class CryptContext {
 public:
  bool acquire() {
    return CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) != FALSE;
  }
  ~CryptContext() {
    if (handle_) CryptReleaseContext(handle_, 0);
  }
  HCRYPTPROV get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class CryptHashHandle {
 public:
  bool create(HCRYPTPROV provider) { return CryptCreateHash(provider, CALG_MD5, 0, 0, &handle_) != FALSE; }
  ~CryptHashHandle() {
    if (handle_) CryptDestroyHash(handle_);
  }
  HCRYPTHASH get() const { return handle_; }

 private:
  HCRYPTHASH handle_ = 0;
};
}  // namespace

std::string md5hex(std::string_view bytes) {
  CryptContext context;
  if (!context.acquire()) return "Error acquiring context";
  CryptHashHandle hash;
  if (!hash.create(context.get())) return "Error creating hash";
  // CryptHashData takes a DWORD length: long inputs go in pieces.
  const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
  size_t left = bytes.size();
  do {
    const DWORD piece = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    if (!CryptHashData(hash.get(), data, piece, 0)) return "Error hashing data";
    data += piece;
    left -= piece;
  } while (left > 0);
  BYTE digest[16];
  DWORD size = sizeof digest;
  if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0) || size != sizeof digest)
    return "Error getting hash param";
  char text[33];
  for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
  return std::string(text, 32);
}

}  // namespace zorvik
