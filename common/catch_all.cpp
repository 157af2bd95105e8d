#include "catch_all.h"

#include <exception>
#include <iostream>
#include <string>

namespace textio {

int report_exception(std::string_view program) {
  std::string what = "unexpected error";
  try {
    throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  std::cout.flush();
  std::cerr << program << ": " << what << std::endl;
  return 1;
}

}  // namespace textio
