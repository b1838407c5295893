import java.io.IOException;
import java.lang.reflect.Constructor;
import java.lang.reflect.Field;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Stream;

/**
 * Checks names against Android's public API listing (metalava signature format): every public or
 * protected member that the fake android.* classes declare, and every claim of a claims file
 * (the agent's own table of the framework members and constants it uses), must exist in the
 * listing with the same signature, static-ness and constant value. Members are looked up in the
 * class and the supertypes the listing gives it.
 *
 * usage: ApiListingCheck LISTING CLASSES_DIR [CLAIMS_FILE]   (exit 1 when anything is wrong)
 */
public final class ApiListingCheck {
  static final class ApiClass {
    String name, kind;
    boolean isStatic, isFinal, isAbstract;
    final List<String> supers = new ArrayList<>();
    final Map<String, String[]> fields = new HashMap<>();  // name -> {type, value or null, "static"/""}
    final List<String[]> methods = new ArrayList<>();      // {name, params, return, "static"/""}
    final List<String> ctors = new ArrayList<>();          // params
  }

  final Map<String, ApiClass> classes = new HashMap<>();
  final List<String> problems = new ArrayList<>();
  int checked;

  static final Pattern ANNOTATION = Pattern.compile("@[\\w.]+(\\((?:\"[^\"]*\"|[^()\"])*\\))?\\s*");
  static final Pattern HEADER = Pattern.compile(
      "^  ((?:\\w+ )*)(class|interface|enum|@interface) ([\\w.]+)(<.*?>)?(?: extends ([^{]*?))?(?: implements ([^{]*?))? \\{$");

  void parse(Path listing) throws IOException {
    String pkg = null;
    ApiClass current = null;
    for (String raw : Files.readAllLines(listing, StandardCharsets.UTF_8)) {
      if (raw.startsWith("//") || raw.isBlank()) continue;
      String line = ANNOTATION.matcher(raw).replaceAll("");
      if (line.startsWith("package ")) {
        pkg = line.substring(8, line.length() - 2).trim();
        continue;
      }
      Matcher h = HEADER.matcher(line);
      if (h.matches()) {
        current = new ApiClass();
        String mods = h.group(1);
        current.kind = h.group(2);
        current.name = pkg + "." + h.group(3);
        current.isStatic = mods.contains("static ");
        current.isFinal = mods.contains("final ");
        current.isAbstract = mods.contains("abstract ");
        for (String list : new String[] {h.group(5), h.group(6)})
          if (list != null) for (String s : list.trim().split("\\s+")) current.supers.add(erase(s, null));
        classes.put(current.name, current);
        continue;
      }
      if (line.equals("  }") || current == null) continue;
      line = line.trim();
      if (line.startsWith("field ") || line.startsWith("enum_constant ")) {
        String body = line.substring(line.indexOf(' ') + 1);
        String value = null;
        int eq = body.indexOf(" = ");
        if (eq >= 0) {
          value = body.substring(eq + 3);
          body = body.substring(0, eq);
          int comment = value.lastIndexOf("; //");
          value = comment >= 0 ? value.substring(0, comment) : value.substring(0, value.length() - 1);
        } else {
          body = body.substring(0, body.length() - 1);
        }
        List<String> words = new ArrayList<>(List.of(body.split("\\s+")));
        String name = words.remove(words.size() - 1);
        String type = erase(words.remove(words.size() - 1), null);
        current.fields.put(name, new String[] {type, value, words.contains("static") ? "static" : ""});
      } else if (line.startsWith("method ") || line.startsWith("ctor ")) {
        boolean ctor = line.startsWith("ctor ");
        String body = line.substring(ctor ? 5 : 7);
        int throwsAt = body.indexOf(" throws ");
        if (throwsAt >= 0) body = body.substring(0, throwsAt) + ";";
        int open = body.indexOf('(');
        int close = body.lastIndexOf(')');
        String params = body.substring(open + 1, close);
        String head = body.substring(0, open);
        List<String> typeVars = new ArrayList<>();
        int lt = head.indexOf('<');
        if (lt >= 0 && MODIFIERS.containsAll(List.of(head.substring(0, lt).trim().split("\\s+")))) {
          int depth = 0, gt = lt;
          for (; gt < head.length(); ++gt) {
            if (head.charAt(gt) == '<') ++depth;
            else if (head.charAt(gt) == '>' && --depth == 0) break;
          }
          for (String v : head.substring(lt + 1, gt).split(",")) typeVars.add(v.trim().split("\\s+")[0]);
          head = head.substring(0, lt) + head.substring(gt + 1);
        }
        List<String> words = new ArrayList<>(List.of(head.trim().split("\\s+")));
        String name = words.remove(words.size() - 1);
        String erasedParams = eraseList(params, typeVars);
        if (ctor) {
          current.ctors.add(erasedParams);
        } else {
          String ret = erase(words.remove(words.size() - 1), typeVars);
          current.methods.add(new String[] {name, erasedParams, ret, words.contains("static") ? "static" : ""});
        }
      }
    }
  }

  static final List<String> MODIFIERS =
      List.of("", "public", "protected", "static", "final", "abstract", "default", "synchronized", "native", "sealed");
  static final List<String> PRIMITIVES = List.of("void", "boolean", "byte", "char", "short", "int", "long", "float", "double");

  /** A type as the listing writes it, erased and fully qualified: "String[]" -> "java.lang.String[]". */
  static String erase(String type, List<String> typeVars) {
    StringBuilder out = new StringBuilder();
    int depth = 0;
    for (char c : type.toCharArray()) {
      if (c == '<') ++depth;
      else if (c == '>') --depth;
      else if (depth == 0) out.append(c);
    }
    String t = out.toString().trim();
    String dims = "";
    while (t.endsWith("[]")) {
      dims += "[]";
      t = t.substring(0, t.length() - 2);
    }
    if (t.endsWith("...")) {
      dims += "[]";
      t = t.substring(0, t.length() - 3);
    }
    if (typeVars != null && typeVars.contains(t)) t = "java.lang.Object";
    else if (!t.contains(".") && !PRIMITIVES.contains(t)) t = "java.lang." + t;
    return t + dims;
  }

  static String eraseList(String params, List<String> typeVars) {
    List<String> parts = new ArrayList<>();
    int depth = 0, start = 0;
    for (int i = 0; i < params.length(); ++i) {
      char c = params.charAt(i);
      if (c == '<') ++depth;
      else if (c == '>') --depth;
      else if (c == ',' && depth == 0) {
        parts.add(params.substring(start, i));
        start = i + 1;
      }
    }
    if (!params.isBlank()) parts.add(params.substring(start));
    List<String> out = new ArrayList<>();
    for (String p : parts) out.add(erase(p.trim(), typeVars));
    return String.join(",", out);
  }

  /** The class and its supertypes as the listing gives them, nearest first. */
  List<ApiClass> lineage(String name) {
    List<ApiClass> out = new ArrayList<>();
    List<String> todo = new ArrayList<>(List.of(name));
    while (!todo.isEmpty()) {
      ApiClass c = classes.get(todo.remove(0));
      if (c == null || out.contains(c)) continue;
      out.add(c);
      todo.addAll(c.supers);
    }
    return out;
  }

  void problem(String what) { problems.add(what); }

  // ---- the fakes
  void checkClass(Class<?> type) {
    String name = type.getCanonicalName();
    ApiClass api = classes.get(name);
    if (api == null) {
      problem("class " + name + " is not in the listing");
      return;
    }
    ++checked;
    if (type.isInterface() != api.kind.equals("interface")) problem("class " + name + ": interface or class differs");
    boolean isEnum = type.isEnum();
    if (isEnum != api.kind.equals("enum")) problem("class " + name + ": enum or class differs");
    // An enum is static, final and extends java.lang.Enum by the language; the listing says none of it.
    if (type.getEnclosingClass() != null && !type.isInterface() && !isEnum
        && Modifier.isStatic(type.getModifiers()) != api.isStatic)
      problem("class " + name + ": static differs");
    if (Modifier.isFinal(type.getModifiers()) && !api.isFinal && !isEnum)
      problem("class " + name + " is final, the listing's is not");
    Class<?> sup = type.getSuperclass();
    if (sup != null && sup != Object.class && !isEnum && !api.supers.contains(sup.getCanonicalName()))
      problem("class " + name + " extends " + sup.getCanonicalName() + ", not in the listing");
    for (Class<?> i : type.getInterfaces())
      if (!api.supers.contains(i.getCanonicalName())) problem("class " + name + " implements " + i.getCanonicalName() + ", not in the listing");
    for (Field f : type.getDeclaredFields()) {
      if (!visible(f.getModifiers()) || f.isSynthetic()) continue;
      String value = null;
      if (Modifier.isStatic(f.getModifiers()) && Modifier.isFinal(f.getModifiers()) && hasListedValue(name, f.getName())) {
        try {
          value = literal(f.get(null));
        } catch (ReflectiveOperationException e) {
          value = "<unreadable>";
        }
      }
      checkField(name, f.getName(), f.getType().getCanonicalName(), Modifier.isStatic(f.getModifiers()), value, true);
    }
    for (Method m : type.getDeclaredMethods()) {
      if (!visible(m.getModifiers()) || m.isSynthetic() || m.isBridge()) continue;
      if (isEnum && isEnumBuiltin(m)) continue;
      checkMethod(name, m.getName(), params(m.getParameterTypes()), m.getReturnType().getCanonicalName(),
          Modifier.isStatic(m.getModifiers()));
    }
    for (Constructor<?> c : type.getDeclaredConstructors()) {
      if (!visible(c.getModifiers()) || c.isSynthetic()) continue;
      checkCtor(name, params(c.getParameterTypes()));
    }
  }

  /** values() and valueOf(String), which the compiler gives every enum and the listing leaves out. */
  static boolean isEnumBuiltin(Method m) {
    return (m.getName().equals("values") && m.getParameterCount() == 0)
        || (m.getName().equals("valueOf") && m.getParameterCount() == 1 && m.getParameterTypes()[0] == String.class);
  }

  static boolean visible(int modifiers) { return Modifier.isPublic(modifiers) || Modifier.isProtected(modifiers); }

  static String params(Class<?>[] types) {
    List<String> out = new ArrayList<>();
    for (Class<?> t : types) out.add(t.getCanonicalName());
    return String.join(",", out);
  }

  boolean hasListedValue(String owner, String field) {
    for (ApiClass c : lineage(owner)) {
      String[] f = c.fields.get(field);
      if (f != null) return f[1] != null;
    }
    return false;
  }

  /** A value as the listing writes it. */
  static String literal(Object v) {
    if (v instanceof String) {
      StringBuilder b = new StringBuilder("\"");
      for (char c : ((String) v).toCharArray()) {
        if (c == '"' || c == '\\') b.append('\\');
        b.append(c);
      }
      return b.append('"').toString();
    }
    if (v instanceof Long) return v + "L";
    if (v instanceof Float) return v + "f";
    return String.valueOf(v);
  }

  void checkField(String owner, String field, String type, boolean isStatic, String value, boolean typeKnown) {
    ++checked;
    for (ApiClass c : lineage(owner)) {
      String[] f = c.fields.get(field);
      if (f == null) continue;
      if (typeKnown && !f[0].equals(type)) problem("field " + owner + "." + field + ": type " + type + ", listing " + f[0]);
      if (isStatic != f[2].equals("static")) problem("field " + owner + "." + field + ": static differs");
      if (f[1] != null && !f[1].equals(value)) problem("field " + owner + "." + field + " = " + value + ", listing " + f[1]);
      if (f[1] == null && value != null && !typeKnown) problem("field " + owner + "." + field + " has no value in the listing");
      return;
    }
    problem("field " + owner + "." + field + " is not in the listing");
  }

  void checkMethod(String owner, String name, String params, String ret, boolean isStatic) {
    ++checked;
    for (ApiClass c : lineage(owner))
      for (String[] m : c.methods)
        if (m[0].equals(name) && m[1].equals(params)) {
          if (!m[2].equals(ret)) problem("method " + owner + "." + name + "(" + params + ") returns " + ret + ", listing " + m[2]);
          if (isStatic != m[3].equals("static")) problem("method " + owner + "." + name + "(" + params + "): static differs");
          return;
        }
    problem("method " + owner + "." + name + "(" + params + ") is not in the listing");
  }

  void checkCtor(String owner, String params) {
    ++checked;
    ApiClass c = classes.get(owner);
    if (c == null || !c.ctors.contains(params)) problem("ctor " + owner + "(" + params + ") is not in the listing");
  }

  // ---- claims
  /** JNI descriptor types -> listing types. */
  static List<String> descriptorTypes(String d) {
    List<String> out = new ArrayList<>();
    int i = 0;
    while (i < d.length()) {
      int dims = 0;
      while (d.charAt(i) == '[') {
        ++dims;
        ++i;
      }
      String t;
      char c = d.charAt(i);
      if (c == 'L') {
        int end = d.indexOf(';', i);
        t = d.substring(i + 1, end).replace('/', '.').replace('$', '.');
        i = end + 1;
      } else {
        t = switch (c) {
          case 'Z' -> "boolean";
          case 'B' -> "byte";
          case 'C' -> "char";
          case 'S' -> "short";
          case 'I' -> "int";
          case 'J' -> "long";
          case 'F' -> "float";
          case 'D' -> "double";
          case 'V' -> "void";
          default -> throw new IllegalArgumentException("bad descriptor " + d);
        };
        ++i;
      }
      out.add(t + "[]".repeat(dims));
    }
    return out;
  }

  void checkClaim(String line) {
    String[] w = line.split(" ", 5);
    String owner = w[1].replace('/', '.').replace('$', '.');
    if (owner.startsWith("java.")) return;  // the JDK's own classes are the real ones
    switch (w[0]) {
      case "field" -> checkField(owner, w[2], null, true, line.substring(line.indexOf(" " + w[2] + " ") + w[2].length() + 2), false);
      case "sfield", "ifield" -> checkField(owner, w[2], descriptorTypes(w[3]).get(0), w[0].equals("sfield"), null, true);
      case "ctor" -> {
        String d = w[2];
        checkCtor(owner, String.join(",", descriptorTypes(d.substring(1, d.indexOf(')')))));
      }
      case "method" -> {
        String d = w[3];
        String params = String.join(",", descriptorTypes(d.substring(1, d.indexOf(')'))));
        checkMethod(owner, w[2], params, descriptorTypes(d.substring(d.indexOf(')') + 1)).get(0), w[4].equals("static"));
      }
      default -> problem("unknown claim: " + line);
    }
  }

  public static void main(String[] args) throws Exception {
    ApiListingCheck check = new ApiListingCheck();
    check.parse(Paths.get(args[0]));
    Path root = Paths.get(args[1]);
    List<String> names = new ArrayList<>();
    try (Stream<Path> files = Files.walk(root.resolve("android"))) {
      files.filter(p -> p.toString().endsWith(".class"))
          .forEach(p -> names.add(root.relativize(p).toString().replace('/', '.').replaceAll("\\.class$", "")));
    }
    for (String n : names) {
      Class<?> type = Class.forName(n, false, ApiListingCheck.class.getClassLoader());
      if (type.isAnonymousClass() || type.isLocalClass() || !Modifier.isPublic(type.getModifiers())) continue;
      check.checkClass(type);
    }
    if (args.length > 2)
      for (String line : Files.readAllLines(Paths.get(args[2]), StandardCharsets.UTF_8))
        if (!line.isBlank()) check.checkClaim(line);
    for (String p : check.problems) System.out.println("MISMATCH " + p);
    System.out.println(check.checked + " names checked against " + check.classes.size() + " listed classes, "
        + check.problems.size() + " mismatches");
    System.exit(check.problems.isEmpty() ? 0 : 1);
  }
}
