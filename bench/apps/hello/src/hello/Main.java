package hello;

/** The smallest application there is: what remains is the cost of starting the JVM. */
public final class Main {
    public static void main(String[] args) {
        System.out.println("Hello");
    }
}
