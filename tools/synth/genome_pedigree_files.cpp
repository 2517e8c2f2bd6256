#include "tools/synth/genome_pedigree_files.hpp"

#include "tools/synth/result_writers.hpp"
#include "tools/synth/text_out.hpp"

namespace synth {

namespace {

std::string_view AlleleWord(int allele) {
  return allele == 0 ? "A" : "B";
}

void Place(TextOut& out, const PedigreeMarkers& markers, const PedigreeTruth& truth,
           std::size_t m) {
  out << markers.names[m] << '\t' << markers.chromosomes[m] << '\t' << markers.positions[m] << '\t';
  // Positions taken from the genome's float map read back as they were written there.
  const double cm = truth.plan.cm[m];
  if (static_cast<double>(static_cast<float>(cm)) == cm)
    out.Real(static_cast<float>(cm));
  else
    out.Real(cm);
}

}  // namespace

std::string PedigreeFileText(const PedigreeTruth& truth) {
  TextOut out;
  out << "Family\tPerson\tFather\tMother\tSex\tArray\tAffection\n";
  for (const PedigreePerson& person : truth.persons)
    out << person.family << '\t' << person.id << '\t' << person.father << '\t' << person.mother
        << '\t' << person.sex << '\t' << person.array << '\t' << person.affection << '\n';
  return out.Text();
}

std::string PedigreeArrayListText(const PedigreeTruth& truth) {
  TextOut out;
  for (const PedigreePerson& person : truth.persons)
    if (!person.array.empty()) out << person.array << "\nStandardize\n";
  return out.Text();
}

std::string PedigreeSampleInfoText(const PedigreeTruth& truth) {
  TextOut out;
  out << "Array\tName\tPloidy(numeric)\tGender\n";
  for (const PedigreePerson& person : truth.persons)
    if (!person.array.empty())
      out << person.array << "\tPerson " << person.id << "\t2\t"
          << (person.sex == kMale ? "Male" : "Female") << '\n';
  return out.Text();
}

std::string PedigreeTruthText(const PedigreeMarkers& markers, const PedigreeTruth& truth) {
  TextOut out;
  out << "Person\tArray\tMarker\tChromosome\tPosition\tcM\tPaternal\tMaternal\tGenotype\tCall\n";
  for (const PedigreePerson& person : truth.persons) {
    for (std::size_t m = 0; m < person.genotype.size(); ++m) {
      out << person.id << '\t' << person.array << '\t';
      Place(out, markers, truth, m);
      out << '\t' << person.paternal[m] << '\t' << person.maternal[m] << '\t'
          << GenotypeCallWord(person.genotype[m]) << '\t' << GenotypeCallWord(person.calls[m])
          << '\n';
    }
  }
  return out.Text();
}

std::string PedigreeFounderText(const PedigreeMarkers& markers, const PedigreeTruth& truth) {
  TextOut out;
  out << "Marker\tChromosome\tPosition\tcM\tFrequency";
  for (std::size_t a = 0; a < truth.founderAlleles.size(); ++a) out << '\t' << static_cast<int>(a);
  out << '\n';
  for (std::size_t m = 0; m < truth.plan.cm.size(); ++m) {
    Place(out, markers, truth, m);
    out << '\t';
    out.Real(truth.plan.frequency[m]);
    for (const std::vector<char>& alleles : truth.founderAlleles)
      out << '\t' << AlleleWord(alleles[m]);
    out << '\n';
  }
  return out.Text();
}

std::string PedigreeMeiosisText(const PedigreeMarkers& markers, const PedigreeTruth& truth) {
  TextOut out;
  out << "Child\tParent\tFrom\tChromosome\tFirst\tCrossovers\n";
  const std::vector<int>& chro = truth.plan.chro;
  for (const PedigreeMeiosis& meiosis : truth.meioses) {
    std::size_t crossover = 0;
    for (std::size_t first = 0; first < chro.size();) {
      std::size_t last = first;
      while (last + 1 < chro.size() && chro[last + 1] == chro[first]) ++last;
      out << truth.persons[static_cast<std::size_t>(meiosis.child)].id << '\t'
          << truth.persons[static_cast<std::size_t>(meiosis.parent)].id << '\t'
          << (meiosis.maternal ? "Mother" : "Father") << '\t' << markers.chromosomes[first] << '\t'
          << static_cast<int>(meiosis.bits[first]) << '\t';
      for (bool gap = false; crossover < meiosis.crossoverChro.size() &&
                             meiosis.crossoverChro[crossover] == chro[first];
           ++crossover, gap = true) {
        if (gap) out << ' ';
        out.Real(meiosis.crossoverCm[crossover]);
      }
      out << '\n';
      first = last + 1;
    }
  }
  return out.Text();
}

std::string PedigreeDiseaseText(const PedigreeMarkers& markers, const PedigreeTruth& truth) {
  const PedigreePlan& plan = truth.plan;
  const auto locus = static_cast<std::size_t>(truth.diseaseMarker);
  TextOut out;
  out << "Inheritance\t" << (plan.mode == DiseaseMode::kRecessive ? "Recessive" : "Dominant")
      << "\nDisease allele frequency\t";
  out.Real(plan.diseaseFrequency);
  out << "\nPenetrance\t";
  out.Real(plan.penetrance);
  out << "\nPhenocopy\t";
  out.Real(plan.phenocopy);
  out << "\nLocus\t";
  Place(out, markers, truth, locus);
  // Families drawn kMostDiseaseDraws times may still lack the affected asked for.
  out << "\nDraws per family\t";
  for (std::size_t f = 0; f < truth.diseaseDraws.size(); ++f)
    out << (f == 0 ? "" : " ") << truth.diseaseDraws[f];
  out << "\nPerson\tFamily\tDisease Alleles\tCarrier\tAffected\tWritten\n";
  for (const PedigreePerson& person : truth.persons)
    out << person.id << '\t' << person.family << '\t'
        << (person.diseaseAlleles[0] == kDiseaseAllele ? 'D' : 'd')
        << (person.diseaseAlleles[1] == kDiseaseAllele ? 'D' : 'd') << '\t'
        << (person.carrier ? 1 : 0) << '\t' << person.affected << '\t' << person.affection << '\n';
  return out.Text();
}

}  // namespace synth
