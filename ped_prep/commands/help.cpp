// The text of ped_prep --help.
#include "ped_prep/commands/commands.hpp"

namespace loopcut::prep {

extern const char* const HELP_TEXT = R"(Usage:
  ped_prep import FORMAT INPUT -o DIR [--keep-one-parent] [--add-missing-parents] [--strict]
                  [--genotypes DATFILE]
  ped_prep check PEDFILE [CUTFILE] [--all]
  ped_prep run FORMAT INPUT -o OUTPUT [--weights FILE [--double FILE] [--transform T]]
               [--genotypes DATFILE]
               [--keep-one-parent] [--add-missing-parents] [--strict] [--work DIR] [--all]
               [--improve [SECONDS] | --no-improve] [--batch-records N] [--jobs N]
  ped_prep draw PEDFILE [CUTFILE] -o FILE.dot|.svg|.png|.pdf [--pedigree N]
  ped_prep --help | --version

Brings real pedigrees to the loop-breaking chain (cost_prep, cut_select, cut_improve, ped_cut),
checks what comes out, and writes it back in the pedigree's own format.

FORMAT is one of
  linkage  pre-makeped LINKAGE: family, individual, father, mother, sex (0 unknown, 1, 2), then
           any further columns; identifiers may restart in each family; 0 for no parent
  fam      PLINK .fam: family, individual, father, mother, sex, phenotype
  gedcom   GEDCOM genealogy (5.5, 5.5.1, 5.5.5, 7): INDI and FAM records. A child's parents
           are the HUSB and WIFE of its family of birth: the one its FAMC marks "PEDI birth",
           else the one without PEDI; an adoptive family (PEDI adopted, foster, sealing, or
           named by an ADOP event) gives no parents. @VOID@ names nobody. A CHIL, HUSB,
           WIFE, FAMC or FAMS line that names no record (records removed for privacy) is read
           as absent: such a child is nobody, such a parent unknown; the line is written back
           as it was, and one note counts these lines. --strict (import, run) refuses the file
           instead, with each such line a problem; it is for gedcom only
  chain    the chain's own pedigree file (ped id fa mo sex label), to check and repair

import   checks INPUT and reports every problem (an individual that is its own ancestor, a
         parent named as father and as mother, a father of sex 2 or a mother of sex 1, duplicate
         identifiers in a family, a parent without a record, more pedigrees or records than the
         chain holds). Then writes, into a new or empty DIR, DIR/pedigree.ped (identifiers renumbered to rows, parents
         first, one pedigree per connected group), DIR/unit.w (weight 1 for everyone),
         DIR/task.inp, DIR/labels.tsv (label -> original family and identifier) and, for linkage
         and fam, DIR/columns.tsv (the further columns). A record with one known parent gets a
         stand-in founder for the unknown parent, one per known parent, so that the optimiser
         sees every loop; --keep-one-parent keeps such records as they are. A parent named
         without a record of its own is a problem; --add-missing-parents (linkage, fam) adds a
         founder record for it, of the sex of its role with unknown further columns, written
         after the last row of its family and listed in OUTPUT.copies.tsv as added.
         --genotypes DATFILE (linkage, makeped) writes DIR/genotype.w, the genotype weights
         (see run), instead of DIR/unit.w. The chain then runs in DIR.
check    per pedigree: individuals, founders, one-parent records, independent loops and the
         individuals on loops; with the cut file of ped_cut also the loops left, breakers,
         copies and the individuals lost (missing, or with other parents than in PEDFILE).
         Exit status 1 when loops are left or someone is lost. --all lists every pedigree.
run      the whole job: import, the chain in a scratch directory (pedigrees without loops need
         no cut and pass by it), the check, and OUTPUT in the input's format with the original
         identifiers. OUTPUT is the input line for line, with its spacing, sex codes, line ends
         and encoding; only the breaker copies are added (a founder with its original's fields
         and identifier with the suffix _cN; in linkage and fam after the last row of its
         family) and the children moved to them name the copy as parent. OUTPUT.copies.tsv
         lists each copy with its original. For fam: each copy needs a genotype row in the
         .bed, or it is missing there. Loops left or someone lost: no OUTPUT, status 1, and
         the chain's files are kept. -o - writes to standard output. --weights gives
         relationship values (first record: the relationship of the whole pedigree; then per
         record [family] identifier value), turned into weights by cost_prep, with the stars of
         --double counting double and --transform linear|sqrt|log choosing the weight (default
         linear); without it every individual weighs 1. A value above the whole pedigree's
         gives a negative weight, taken as 0: the first choice to cut (listed).
         --genotypes DATFILE (linkage, makeped, not with --weights) weighs each individual by the
         genotypes a likelihood program must sum over for it: DATFILE describes the columns after
         the first five (nine for makeped). A LINKAGE locus file (first line: number of loci, risk
         locus, sex-linked flag 0, program code) gives per locus in column order: numbered
         alleles, two columns (0 to the locus's alleles); affection status, one column (0, 1, 2),
         two with liability classes; binary factors and quantitative traits, a column per factor
         or trait, which do not count; a record may go on after them. Otherwise DATFILE is a data
         file, one item per line (A affection, T trait, C covariate, S skip: one column; M marker:
         two columns, the alleles, 0 missing; E ends it; # comments), and a record without exactly
         these columns is refused. The weight is the sum over the markers and affection loci with
         penetrances of ln g, g the genotypes that elimination leaves: each individual starts with
         those its columns allow (at a marker 1 for two known alleles, A for one, A(A+1)/2 for
         none, A the locus file's alleles or those seen, at least 2; stand-in parents untyped),
         and each nuclear family takes from its members the genotypes that Mendel's rules exclude,
         until nothing changes; a family that no genotypes fit is refused, named with its members'
         alleles. Every weight gets 0.001 more, so that of cuts of equal weight the one with fewer
         breakers wins. The summary then gives, per pedigree with loops and in total, the genotype
         combinations of the breakers after elimination and of the cut that unit weights give (a
         second step search, in the folder unit-weights). --work DIR keeps the chain's files (in
         DIR/ped_prep-N when DIR already holds files). cut_improve runs between cut_select and
         ped_cut for a cut that never costs more than the step search's: it stops when every
         pedigree's cut is proven optimal or its budget is spent, the work of about SECONDS
         seconds with --improve SECONDS (default 10; the same cut on any machine). The summary
         then gives per pedigree with loops and in total the cost before and after, the bound (no
         cut of these pedigrees can cost less) and the gap (how far the cut may at most be above
         the best possible, (cost - bound) / cost); "proven optimal" where cost and bound meet.
         --no-improve keeps the step search's cut.
         The pedigrees with loops go through the chain in one run as long as its fixed formats
         can number them (999999 records, copies included). Beyond that, or beyond N records
         with --batch-records N, they go in batches of whole pedigrees in input order, --jobs
         at a time (default: one per processor), each in its own folder (batch-1, batch-2, ...),
         and the cut pedigrees are joined in the batches' order. The batches depend only on
         the input and N, never on --jobs, so the output is the same on any machine. Only a
         pedigree that alone passes the formats' limits is refused.
         GEDCOM comes back record for record: the HUSB or WIFE line of a family whose
         children went to a copy names the copy, and the breaker's FAMS line of that family
         moves to the copy, whose INDI record follows its original's (the original's lines
         without FAMC, FAMS, UID, _UID and RIN, a NOTE naming the original, its FAMS lines).
         Stand-ins for unknown parents are not written. The header gets one NOTE on what was
         cut, if it has none.
draw     a Graphviz drawing of the pedigree file (or of pedigree N): individuals on loops
         shaded, and with the cut file the cut pedigree with breakers and copies marked. .svg,
         .png and .pdf are rendered by Graphviz's dot (Debian: apt-get install graphviz) from
         FILE.dot, which is written beside them, also when dot is missing.

Exit status: 0 done, 1 refused (bad input, loops left, someone lost, a chain program stopped),
2 usage error.
)";

}  // namespace loopcut::prep
