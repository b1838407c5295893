package android.net;

public abstract class Uri {
  Uri() {}

  public static Uri parse(String text) { return new StringUri(text); }

  public abstract String toString();
}

final class StringUri extends Uri {
  private final String text;

  StringUri(String text) { this.text = text; }

  @Override
  public String toString() { return text; }

  @Override
  public boolean equals(Object o) { return o instanceof StringUri && ((StringUri) o).text.equals(text); }

  @Override
  public int hashCode() { return text.hashCode(); }
}
