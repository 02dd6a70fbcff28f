// The platform's words, as its language packs give them (UTF-8).
#include "review/model/platform_strings.h"

#include <algorithm>
#include <array>

namespace qa::review {
namespace {

constexpr std::array kLanguages = std::to_array<PlatformLanguage>({
    // clang-format off
    {"en", "Identifier", "Participant ", "Participant", "Grade", "Last modified (grade)", "Maximum grade", "Grade can be changed", "Feedback comments", ".", "Yes", "No"},
    {"ar", "المُعرَّف", "المشارك", "المشارك", "الدرجة", "آخر تعديل (التقدير)", "أعلى تقدير", "يمكن تغيير الدرجة", "تعليقات الإفادة", ".", "نعم", "لا"},
    {"ca", "Identificador", "Participant", "Participant", "Qualificació", "Darrera modificació (qualificació)", "Qualificació màxima", "Es pot canviar la qualificació", "Comentaris de retroacció.", ",", "Sí", "No"},
    {"de", "ID", "Teilnehmer/in", "Teilnehmer/in", "Bewertung", "Zuletzt geändert (Bewertung)", "Bestwertung", "Bewertung kann geändert werden", "Feedback als Kommentar", ",", "Ja", "Nein"},
    {"el", "Αναγνωριστικό", "Συμμετέχων", "Συμμετέχοντας", "Βαθμός", "Τελευταία τροποποίηση (βαθμολόγηση)", "Μέγιστος Βαθμός", "Ο βαθμός μπορεί να αλλάξει", "Σχόλια ανατροφοδότησης", ",", "Ναι", "Όχι"},
    {"es", "Identificador", "Participante", "Participante", "Calificación", "Última modificación (calificación)", "Calificación máxima", "La calificación puede ser cambiada", "Comentarios de retroalimentación", ",", "Sí", "No"},
    {"eu", "Identifikatzailea", "Partaidea", "Partaidea", "Kalifikazioa", "Azken aldaketa (kalifikazioa)", "Gehieneko kalifikazioa", "Kalifikazioa alda daiteke", "Feedback-iruzkinak", ",", "Bai", "Ez"},
    {"fr", "Identifiant", "Participant", "Participant", "Note", "Dernière modification (note)", "Note maximale", "La note peut être modifiée", "Feedback par commentaires", ",", "Oui", "Non"},
    {"gl", "Identificador", "Participante", "Participante", "Cualificación", "Última modificación (cualificación)", "Cualificación máxima", "A cualificación pode seren cambiada", "Comentarios", ",", "Si", "Non"},
    {"it", "Identificativo", "Partecipante", "Partecipante", "Valutazione", "Ultima modifica (valutazione)", "Valutazione massima", "La valutazione può essere cambiata", "Commenti", ",", "Sì", "No"},
    {"ja", "ID", "参加者", "参加者", "評点", "最終更新日時 (評定)", "最大評点", "評点変更可", "フィードバックコメント", ".", "Yes", "No"},
    {"ko", "식별자", "참가자", "참가자", "성적", "마지막 수정됨(성적)", "최대 성적", "Grade can be changed", "피드백 코멘트", ".", "예", "아니오"},
    {"lt", "Identifikatorius", "Dalyvis", "Dalyvis", "Įvertinimas", "Paskutinį kartą keista <p>\n(įvertinimas)</p>", "Didžiausias įvertinimas", "Įvertinimas gali būti pakeistas", "Grįžtamojo ryšio komentarai", ".", "Taip", "Ne"},
    {"nl", "Identificatie", "Deelnemer", "Deelnemer", "Cijfer", "Laatst gewijzigd (beoordeling)", "Maximaal cijfer", "Het cijfer kan gewijzigd worden", "Feedback tekstvak", ",", "Ja", "Nee"},
    {"pt", "Identificador", "Participante", "Participante", "Avaliação", "Última atualização (avaliação)", "Nota máxima", "A nota pode ser alterada.", "Comentários de feedback", ",", "Sim", "Não"},
    {"ro", "Identificator", "Participant", "Participant", "Notă", "Ultima modificare (nota)", "Notă maximă", "Nota poate fi schimbată", "Comentarii de feedback", ",", "Da", "Nu"},
    {"ru", "Идентификатор", "Участник", "Участник", "Оценка", "Последнее изменение (оценка)", "Максимальная оценка", "Оценка может быть изменена", "Отзыв в виде комментария", ",", "Да", "Нет"},
    {"sv", "Identifierare", "Deltagare", "Deltagare", "Betyg", "Senast modifierat (betyg)", "Maxbetyg", "Betyg kan ändras", "Återkopplingskommentarer", ",", "Ja", "Nej"},
    {"tr", "Tanımlayıcı", "Katılımcı", "Katılımcı", "Not", "Son düzenleme (not)", "Enyüksek not", "Not değiştirilebilir", "Geri bildirim yorumları", ",", "Evet", "Hayır"},
    {"uk", "Ідентифікатор", "Учасник", "Учасник", "Оцінка", "Востаннє змінювалося (оцінка)", "Максимальна оцінка", "Оцінка може бути змінена", "Відгук - коментарем", ",", "Так", "Ні"},
    {"ur", "شناخت کنندہ", "شریک", "شریک", "درجہ", "آخری ترمیم شدہ (درجہ)", "زیادہ سے زیادہ گریڈ", "گریڈ تبدیل کیا جا سکتا ہے", "تاثرات کے تبصرے", "۔", "ہاں", "نہیں"},
    {"zh_cn", "标识符", "参与人", "参与人", "成绩", "上次修改（评分）", "最高分", "允许更改成绩", "反馈意见", ".", "是的", "否"},
    // clang-format on
});

} // namespace

std::span<const PlatformLanguage> platformLanguages()
{
    return kLanguages;
}

const std::vector<std::string_view>& participantWords()
{
    static const std::vector<std::string_view> words = [] {
        std::vector<std::string_view> out;
        const auto add = [&out](std::string_view w) {
            while (!w.empty() && w.back() == ' ')
                w.remove_suffix(1);
            if (!w.empty() && std::find(out.begin(), out.end(), w) == out.end())
                out.push_back(w);
        };
        for (const PlatformLanguage& l : kLanguages) {
            add(l.hiddenUser);
            add(l.participant);
        }
        std::stable_sort(out.begin(), out.end(),
                         [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
        return out;
    }();
    return words;
}

} // namespace qa::review
