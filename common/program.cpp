#include "common/program.hpp"

#include <iostream>
#include <new>
#include <stdexcept>

#include "common/errors.hpp"

namespace loopcut {

int run_program(const std::function<void()>& body) {
  std::ios::sync_with_stdio(false);
  int status = 0;
  try {
    body();
  } catch (const Stop& stop) {
    status = stop.status;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "out of memory\n";
    status = 1;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << visible(e.what()) << '\n';
    status = 1;
  }
  std::cout.flush();
  if (!std::cout && status == 0) {
    std::cerr << "standard output: write failed\n";
    status = 1;
  }
  return status;
}

}  // namespace loopcut
