// The failure of a database command inside the session: which object failed and through
// which interface. Thrown only inside LibDbSession, whose operations catch it and give 0.
#pragma once

#include <stdexcept>
#include <string>

namespace quellbrook {

class COLEDBException : public std::runtime_error {
 public:
  // errorSource: the command text or object that failed; interfaceId: the interface that
  // reported it (for example "IID_ICommand"); message: what the server said.
  COLEDBException(std::string errorSource, std::string interfaceId, const std::string& message)
      : std::runtime_error(message),
        mErrorSource(std::move(errorSource)),
        mInterfaceId(std::move(interfaceId)) {}

  const std::string& ErrorSource() const { return mErrorSource; }
  const std::string& InterfaceId() const { return mInterfaceId; }
  std::string GetErrorMessage() const { return what(); }

 private:
  std::string mErrorSource;
  std::string mInterfaceId;
};

}  // namespace quellbrook
