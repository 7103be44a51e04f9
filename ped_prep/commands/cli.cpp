// The command line of ped_prep: subcommands, options, usage errors and exit statuses.
#include <sched.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <new>
#include <thread>

#include "common/errors.hpp"
#include "ped_prep/commands/commands.hpp"
#include "ped_prep/formats/format.hpp"

namespace loopcut::prep {

namespace {

const char* const VERSION = "ped_prep 1.0.0";


struct UsageError {
  std::string message;
};

// Splits the arguments after the subcommand into positionals, valued options and flags.
struct CommandLine {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::map<std::string, bool> flags;
};

CommandLine parse(const std::vector<std::string>& args, std::size_t from,
                  const std::vector<std::string>& valued, const std::vector<std::string>& flags) {
  CommandLine p;
  auto is = [](const std::vector<std::string>& v, const std::string& s) {
    for (const auto& x : v)
      if (x == s) return true;
    return false;
  };
  bool options_done = false;
  for (std::size_t i = from; i < args.size(); ++i) {
    std::string a = args[i];
    if (options_done || a.size() < 2 || a[0] != '-') {
      p.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      options_done = true;
      continue;
    }
    std::string value;
    bool has_value = false;
    if (a.rfind("--", 0) == 0) {
      std::size_t eq = a.find('=');
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
        a = a.substr(0, eq);
        has_value = true;
      }
    }
    if (is(valued, a)) {
      if (!has_value) {
        if (i + 1 >= args.size()) throw UsageError{"option " + a + " needs a value"};
        value = args[++i];
      }
      if (p.values.count(a)) throw UsageError{"option " + a + " given twice"};
      p.values[a] = value;
    } else if (is(flags, a) && !has_value) {
      p.flags[a] = true;
    } else {
      throw UsageError{"unknown option " + args[i]};
    }
  }
  return p;
}

Format format_arg(const std::string& name) {
  Format f;
  if (!parse_format(name, f))
    throw UsageError{"unknown format \"" + name + "\" (linkage, makeped, fam, gedcom or chain)"};
  return f;
}

std::string required(const CommandLine& p, const std::string& option, const std::string& what) {
  auto it = p.values.find(option);
  if (it == p.values.end() || it->second.empty())
    throw UsageError{what + " missing: give " + option + " " + what};
  return it->second;
}

std::string optional(const CommandLine& p, const std::string& option) {
  auto it = p.values.find(option);
  return it == p.values.end() ? std::string() : it->second;
}

// The processors this process may run on (its affinity, which a container or taskset narrows).
long processors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return std::max(1u, std::thread::hardware_concurrency());
}

// A whole number from 1 to `most`, or the default when the option is not given.
long count_option(const CommandLine& p, const std::string& option, long most, long otherwise) {
  if (!p.values.count(option)) return otherwise;
  const std::string v = optional(p, option);
  if (v.empty() || v.size() > 9 || v.find_first_not_of("0123456789") != std::string::npos ||
      std::stol(v) < 1 || std::stol(v) > most)
    throw UsageError{option + " takes a whole number from 1 to " + std::to_string(most) +
                     ", not \"" + v + "\""};
  return std::stol(v);
}

void count(const CommandLine& p, std::size_t least, std::size_t most, const std::string& shape) {
  if (p.positional.size() < least || p.positional.size() > most)
    throw UsageError{(p.positional.size() < least ? "too few" : "too many") +
                     std::string(" arguments: ") + shape};
}

bool adding_missing_parents(const CommandLine& p, Format f) {
  if (!p.flags.count("--add-missing-parents")) return false;
  if (f != Format::linkage && f != Format::fam)
    throw UsageError{"--add-missing-parents is for linkage and fam files"};
  return true;
}

// --genotypes DATFILE: for LINKAGE files only, and never with --weights.
std::string genotypes_option(const CommandLine& p, Format f) {
  if (!p.values.count("--genotypes")) return "";
  const std::string file = required(p, "--genotypes", "DATFILE");
  const std::string not_here = "--genotypes is for linkage files: ";
  if (f == Format::fam)
    throw UsageError{not_here + "PLINK keeps the genotypes of a .fam file in its .bed file"};
  if (f == Format::gedcom) throw UsageError{not_here + "GEDCOM files hold no genotypes"};
  if (f == Format::chain)
    throw UsageError{not_here + "the chain's pedigree file has no further columns"};
  if (p.values.count("--weights"))
    throw UsageError{"--genotypes and --weights do not go together: each gives the weights"};
  return file;
}

// --strict: a GEDCOM line naming no record is a problem. Other formats have no such lines.
bool strict_links(const CommandLine& p, Format f) {
  if (!p.flags.count("--strict")) return false;
  if (f != Format::gedcom) throw UsageError{"--strict is for gedcom files"};
  return true;
}

// The options of reading, which import and run share.
void take_read_options(const CommandLine& p, Format f, ReadOptions& o) {
  o.keep_one_parent = p.flags.count("--keep-one-parent") > 0;
  o.add_missing_parents = adding_missing_parents(p, f);
  o.genotypes = genotypes_option(p, f);
  o.strict = strict_links(p, f);
}

// With "-o -" standard output carries the pedigree or drawing: the messages go to the error
// output while the command runs.
class MessagesAside {
 public:
  explicit MessagesAside(const std::string& output) {
    if (output == "-") saved_ = std::cout.rdbuf(std::cerr.rdbuf());
  }
  ~MessagesAside() {
    if (saved_) std::cout.rdbuf(saved_);
  }
  MessagesAside(const MessagesAside&) = delete;
  MessagesAside& operator=(const MessagesAside&) = delete;

 private:
  std::streambuf* saved_ = nullptr;
};

// --improve [SECONDS] (or --improve=SECONDS): the seconds are taken when the next argument is a
// number; --no-improve leaves the step search's cut. Returns the other arguments.
std::vector<std::string> take_improve(const std::vector<std::string>& args, RunOptions& o) {
  auto seconds = [](const std::string& v) {
    return !v.empty() && v.find_first_not_of("0123456789.") == std::string::npos &&
           v.find('.') == v.rfind('.') && v != ".";
  };
  std::vector<std::string> rest;
  bool given = false, refused = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-improve") {
      if (refused) throw UsageError{"option --no-improve given twice"};
      refused = true;
      continue;
    }
    if (a != "--improve" && a.rfind("--improve=", 0) != 0) {
      rest.push_back(a);
      continue;
    }
    if (given) throw UsageError{"option --improve given twice"};
    given = true;
    if (a != "--improve") {
      o.improve_seconds = a.substr(10);
      if (!seconds(o.improve_seconds))
        throw UsageError{"--improve takes a number of seconds, not \"" + o.improve_seconds + "\""};
    } else if (i + 1 < args.size() && seconds(args[i + 1])) {
      o.improve_seconds = args[++i];
    }
  }
  if (given && refused) throw UsageError{"--improve and --no-improve exclude each other"};
  o.improve = !refused;
  return rest;
}

int import_main(const std::vector<std::string>& args) {
  CommandLine p = parse(args, 1, {"-o", "--output", "--genotypes"},
                        {"--keep-one-parent", "--add-missing-parents", "--strict"});
  if (p.values.count("--output")) p.values["-o"] = p.values["--output"];
  count(p, 2, 2, "ped_prep import FORMAT INPUT -o DIR");
  ImportOptions o;
  const Format f = format_arg(p.positional[0]);
  take_read_options(p, f, o);
  return import_command(f, p.positional[1], required(p, "-o", "DIR"), o);
}

int check_main(const std::vector<std::string>& args) {
  CommandLine p = parse(args, 1, {}, {"--all"});
  count(p, 1, 2, "ped_prep check PEDFILE [CUTFILE]");
  return check_command(p.positional[0], p.positional.size() > 1 ? p.positional[1] : "",
                       p.flags.count("--all") > 0);
}

int run_main(const std::vector<std::string>& args) {
  RunOptions o;
  const std::vector<std::string> rest = take_improve(args, o);
  CommandLine p = parse(rest, 1,
                        {"-o", "--output", "--weights", "--genotypes", "--double", "--transform",
                         "--work", "--bin", "--jobs", "--batch-records", "--to"},
                        {"--keep-one-parent", "--add-missing-parents", "--all", "--strict"});
  if (p.values.count("--output")) p.values["-o"] = p.values["--output"];
  count(p, 2, 2, "ped_prep run FORMAT INPUT -o OUTPUT");
  o.all = p.flags.count("--all") > 0;
  o.weights = optional(p, "--weights");
  o.doubled = optional(p, "--double");
  o.work = optional(p, "--work");
  o.bin_dir = optional(p, "--bin");
  o.jobs = static_cast<int>(count_option(p, "--jobs", 256, std::min(processors(), 256L)));
  o.batch_records = count_option(p, "--batch-records", 999999999, 0);
  if (p.values.count("--transform")) o.transform = p.values["--transform"];
  if (o.transform != "linear" && o.transform != "sqrt" && o.transform != "log")
    throw UsageError{"--transform takes linear, sqrt or log, not \"" + o.transform + "\""};
  if (o.weights.empty() && (p.values.count("--double") || p.values.count("--transform")))
    throw UsageError{"--double and --transform need --weights"};
  const Format f = format_arg(p.positional[0]);
  take_read_options(p, f, o);
  if (p.values.count("--to")) {
    const Format to = format_arg(p.values["--to"]);
    if (to != f && !(f == Format::linkage && to == Format::makeped))
      throw UsageError{"--to makeped takes a linkage INPUT; other formats are written as read"};
    o.to = to;
  }
  if (o.keep_one_parent && (o.to == Format::makeped || f == Format::makeped))
    throw UsageError{"--keep-one-parent does not go with makeped: LINKAGE programs take both "
                     "parents or none"};
  const std::string output = required(p, "-o", "OUTPUT");
  MessagesAside aside(output);
  return run_command(f, p.positional[1], output, o);
}

int draw_main(const std::vector<std::string>& args) {
  CommandLine p = parse(args, 1, {"-o", "--output", "--pedigree"}, {});
  if (p.values.count("--output")) p.values["-o"] = p.values["--output"];
  count(p, 1, 2, "ped_prep draw PEDFILE [CUTFILE] -o FILE.dot");
  DrawOptions o;
  if (p.values.count("--pedigree")) {
    const std::string& v = p.values["--pedigree"];
    std::size_t used = 0;
    int n = 0;
    try {
      n = std::stoi(v, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != v.size() || n < 1) throw UsageError{"--pedigree takes a pedigree number, not \"" + v + "\""};
    o.pedigree = n;
  }
  const std::string output = required(p, "-o", "FILE.dot");
  MessagesAside aside(output);
  return draw_command(p.positional[0], p.positional.size() > 1 ? p.positional[1] : "", output, o);
}

int dispatch(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"no subcommand given"};
  const std::string& cmd = args[0];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::cout << HELP_TEXT;
    return DONE;
  }
  if (cmd == "--version") {
    std::cout << VERSION << '\n';
    return DONE;
  }
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << HELP_TEXT;
      return DONE;
    }
  }
  if (cmd == "import") return import_main(args);
  if (cmd == "check") return check_main(args);
  if (cmd == "run") return run_main(args);
  if (cmd == "draw") return draw_main(args);
  throw UsageError{"unknown subcommand \"" + cmd + "\""};
}

}  // namespace

int ped_prep_main(const std::vector<std::string>& args) {
  try {
    return dispatch(args);
  } catch (const UsageError& e) {
    std::cout.flush();
    std::cerr << "ped_prep: " << visible(e.message) << "\nTry 'ped_prep --help' for more information.\n";
    return USAGE;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "ped_prep: out of memory\n";
    return REFUSED;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "ped_prep: " << visible(e.what()) << '\n';
    return REFUSED;
  }
}

}  // namespace loopcut::prep
