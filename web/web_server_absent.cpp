// The web view's server in a build without cpp-httplib: it never runs.
#include "web/web_server.h"

namespace director {

struct WebServer::Impl {};

WebServer::WebServer(SnapshotBox& box) : box_(box) {}
WebServer::~WebServer() = default;

bool WebServer::Start(const std::string&, std::uint16_t, std::string* error) {
  *error = kWebUnavailableText;
  return false;
}

void WebServer::Stop() {}
bool WebServer::Running() const { return false; }
std::uint16_t WebServer::Port() const { return 0; }
bool WebServer::Available() { return false; }

}  // namespace director
