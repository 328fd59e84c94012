package morvaneDemo;

import java.util.Locale;
import java.util.Map;

/** A greeting in the first language of an Accept-Language header that the demo knows. */
final class Greetings {
  private static final Map<String, String> GREETINGS = Map.of(
      "en", "Hello",
      "de", "Hallo",
      "fr", "Bonjour",
      "es", "Hola",
      "it", "Ciao",
      "nl", "Hallo",
      "pt", "Olá",
      "sv", "Hej",
      "ja", "こんにちは");

  private Greetings() {
  }

  static String forAcceptLanguage(String header) {
    if (header != null) {
      double best = 0;
      String chosen = null;
      for (String range : header.split(",")) {
        String[] parts = range.trim().split(";");
        String language = parts[0].trim().toLowerCase(Locale.ROOT);
        String primary = language.split("-")[0];
        double quality = 1;
        for (int i = 1; i < parts.length; i++) {
          String p = parts[i].trim();
          if (p.startsWith("q=")) quality = parseQuality(p.substring(2));
        }
        if (quality > best && GREETINGS.containsKey(primary)) {
          best = quality;
          chosen = primary;
        }
      }
      if (chosen != null) return GREETINGS.get(chosen);
    }
    return GREETINGS.get("en");
  }

  private static double parseQuality(String text) {
    try {
      return Double.parseDouble(text.trim());
    } catch (NumberFormatException e) {
      return 0;
    }
  }
}
