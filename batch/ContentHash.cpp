// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ContentHash.h"

#include <openssl/evp.h>

#include <new>

namespace qx {

struct ContentHash::Context {
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> handle{EVP_MD_CTX_new()};

    void Start() {
        if (!handle || EVP_DigestInit_ex(handle.get(), EVP_sha256(), nullptr) != 1)
            throw std::bad_alloc();
    }
};

ContentHash::ContentHash() : context_(std::make_unique<Context>()) { context_->Start(); }

ContentHash::~ContentHash() = default;

void ContentHash::Add(std::string_view bytes) {
    if (!bytes.empty()) EVP_DigestUpdate(context_->handle.get(), bytes.data(), bytes.size());
}

ContentHash::Digest ContentHash::Finish() {
    Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->handle.get(), digest.data(), &length);
    context_->Start();
    return digest;
}

ContentHash::Digest ContentHash::Of(std::string_view bytes) {
    ContentHash hash;
    hash.Add(bytes);
    return hash.Finish();
}

}  // namespace qx
